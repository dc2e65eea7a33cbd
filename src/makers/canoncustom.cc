// Canon custom functions. Each word of the array packs a function number (high
// byte) and its setting (low byte); the function tables differ by model.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exif/context.h"
#include "exif/proptext.h"
#include "exifkit/errors.h"
#include "makers/canoncustom.h"
#include "makers/common.h"

namespace exifkit {

namespace {

const descr_entry ccstm_10dmenubut[] = {
    {0,  "Previous (Volatile)"},
    {1,  "Previous"},
    {2,  "Top"},
    {-1, "Unknown"},
};

const descr_entry ccstm_10dsetbut[] = {
    {0,  "Not Assigned"},
    {1,  "Change Quality"},
    {2,  "Change Parameters"},
    {3,  "Menu Display"},
    {4,  "Image Replay"},
    {-1, "Unknown"},
};

const descr_entry ccstm_10dshutter[] = {
    {0,  "AF/AE Lock"},
    {1,  "AE Lock/AF"},
    {2,  "AF/AF Lock, No AE Lock"},
    {3,  "AE/AF, No AE Lock"},
    {-1, "Unknown"},
};

const descr_entry ccstm_20dafpsel[] = {
    {0,  "Normal"},
    {1,  "Multi-Controller Direct"},
    {2,  "Quick Control Dial Direct"},
    {-1, "Unknown"},
};

const descr_entry ccstm_20dettl[] = {
    {0,  "Evaluative"},
    {1,  "Average"},
    {-1, "Unknown"},
};

const descr_entry ccstm_20dexplvl[] = {
    {0,  "1/3 Stop"},
    {1,  "1/2 Stop"},
    {-1, "Unknown"},
};

const descr_entry ccstm_20dflash[] = {
    {0,  "Fires"},
    {1,  "Does Not Fire"},
    {-1, "Unknown"},
};

const descr_entry ccstm_20dflashsync[] = {
    {0,  "Auto"},
    {1,  "1/250 (Fixed)"},
    {-1, "Unknown"},
};

const descr_entry ccstm_aebseq[] = {
    {0,  "0,-,+/Enabled"},
    {1,  "0,-,+/Disabled"},
    {2,  "-,0,+/Enabled"},
    {3,  "-,0,+/Disabled"},
    {-1, "Unknown"},
};

const descr_entry ccstm_afact[] = {
    {0,  "Single AF Point"},
    {1,  "Expanded (TTL. of 7 AF Points)"},
    {2,  "Automatic Expanded (Max. 13)"},
    {-1, "Unknown"},
};

const descr_entry ccstm_afill[] = {
    {0,  "On"},
    {1,  "Off"},
    {2,  "On Without Dimming"},
    {3,  "Brighter"},
    {-1, "Unknown"},
};

const descr_entry ccstm_afptreg[] = {
    {0,  "Center"},
    {1,  "Bottom"},
    {2,  "Right"},
    {3,  "Extreme Right"},
    {4,  "Automatic"},
    {5,  "Extreme Left"},
    {6,  "Left"},
    {7,  "Top"},
    {-1, "Unknown"},
};

const descr_entry ccstm_afsel[] = {
    {0,  "H=AF+Main/V=AF+Command"},
    {1,  "H=Comp+Main/V=Comp+Command"},
    {2,  "H=Command Only/V=Assist+Main"},
    {3,  "H=FEL+Main/V=FEL+Command"},
    {-1, "Unknown"},
};

const descr_entry ccstm_afspot[] = {
    {0,  "45/Center AF Point"},
    {1,  "11/Active AF Point"},
    {2,  "11/Center AF Point"},
    {3,  "9/Active AF Point"},
    {-1, "Unknown"},
};

const descr_entry ccstm_aisens[] = {
    {0,  "Standard"},
    {1,  "Slow"},
    {2,  "Moderately Slow"},
    {3,  "Moderately Fast"},
    {4,  "Fast"},
    {-1, "Unknown"},
};

const descr_entry ccstm_assistbut[] = {
    {0,  "Normal"},
    {1,  "Select Home Position"},
    {2,  "Select HP (while pressing)"},
    {3,  "Av+/- (AF point by QCD)"},
    {4,  "FE lock"},
    {-1, "Unknown"},
};

const descr_entry ccstm_assistflash[] = {
    {0,  "Emits/Fires"},
    {1,  "Does Not Emit/Fires"},
    {2,  "Only Ext. Flash Emits/Fires"},
    {3,  "Emits/Does Not Fire"},
    {-1, "Unknown"},
};

const descr_entry ccstm_autooff[] = {
    {0,  "Auto"},
    {1,  "Off"},
    {-1, "Unknown"},
};

const descr_entry ccstm_disen[] = {
    {0,  "Disabled"},
    {1,  "Enabled"},
    {-1, "Unknown"},
};

const descr_entry ccstm_endis[] = {
    {0,  "Enabled"},
    {1,  "Disabled"},
    {-1, "Unknown"},
};

const descr_entry ccstm_explvl[] = {
    {0,  "1/2 Stop"},
    {1,  "1/3 Stop"},
    {-1, "Unknown"},
};

const descr_entry ccstm_explvlinc[] = {
    {0,  "1/3-Stop Set, 1/3-Stop Comp"},
    {1,  "1-Stop Set, 1/3-Stop Comp"},
    {2,  "1/2-Stop Set, 1/2-Stop Comp"},
    {-1, "Unknown"},
};

const descr_entry ccstm_fscr[] = {
    {0,  "Ec-N, R"},
    {1,  "Ec-A,B,C,CII,CIII,D,H,I,L"},
    {-1, "Unknown"},
};

const descr_entry ccstm_lcdpanels[] = {
    {0,  "Remain. Shots/File No."},
    {1,  "ISO/Remain. Shots"},
    {2,  "ISO/File No."},
    {3,  "Shots In Folder/Remain. Shots"},
    {-1, "Unknown"},
};

const descr_entry ccstm_lensaf[] = {
    {0,  "AF Stop"},
    {1,  "Operate AF"},
    {2,  "Lock AE & Start Timer"},
    {-1, "Unknown"},
};

const descr_entry ccstm_lensaf1[] = {
    {0,  "AF Stop"},
    {1,  "AF Start"},
    {2,  "AE Lock While Metering"},
    {3,  "AF Point: M->Auto/Auto->Ctr"},
    {4,  "AF Mode: ONESHOT<->SERVO"},
    {5,  "IS Start"},
    {-1, "Unknown"},
};

const descr_entry ccstm_menubut[] = {
    {0,  "Top"},
    {1,  "Previous (Volatile)"},
    {2,  "Previous"},
    {-1, "Unknown"},
};

const descr_entry ccstm_noyes[] = {
    {0,  "No"},
    {1,  "Yes"},
    {-1, "Unknown"},
};

const descr_entry ccstm_offon[] = {
    {0,  "Off"},
    {1,  "On"},
    {-1, "Unknown"},
};

const descr_entry ccstm_onoff[] = {
    {0,  "On"},
    {1,  "Off"},
    {-1, "Unknown"},
};

const descr_entry ccstm_rawjpeg[] = {
    {0,  "RAW+Small/Normal"},
    {1,  "RAW+Small/Fine"},
    {2,  "RAW+Medium/Normal"},
    {3,  "RAW+Medium/Fine"},
    {4,  "RAW+Large/Normal"},
    {5,  "RAW+Large/Fine"},
    {-1, "Unknown"},
};

const descr_entry ccstm_regaf[] = {
    {0,  "Assist + AF"},
    {1,  "Assist"},
    {2,  "Only While Pressing Assist"},
    {-1, "Unknown"},
};

const descr_entry ccstm_setbut[] = {
    {0,  "Not Assigned"},
    {1,  "Change Quality"},
    {2,  "Change ISO Speed"},
    {3,  "Select Parameters"},
    {-1, "Unknown"},
};

const descr_entry ccstm_shutspd[] = {
    {0,  "Auto"},
    {1,  "1/200 (Fixed)"},
    {-1, "Unknown"},
};

const descr_entry ccstm_shutsync[] = {
    {0,  "1st-Curtain Sync"},
    {1,  "2nd-Curtain Sync"},
    {-1, "Unknown"},
};

const descr_entry ccstm_shutter[] = {
    {0,  "AF/AE Lock"},
    {1,  "AE Lock/AF"},
    {2,  "AF/AF Lock"},
    {3,  "AE+Release/AE+AF"},
    {-1, "Unknown"},
};

const descr_entry ccstm_shutterael[] = {
    {0,  "AF/AE Lock Stop"},
    {1,  "AE Lock/AF"},
    {2,  "AF/AF Lock, No AE Lock"},
    {3,  "AE/AF, No AE Lock"},
    {-1, "Unknown"},
};

const descr_entry ccstm_tvavform[] = {
    {0,  "Tv=Main/Av=Control"},
    {1,  "Tv=Control/Av=Main"},
    {2,  "Tv=Main/Av=Main w/o Lens"},
    {3,  "Tv=Control/Av=Main w/o Lens"},
    {-1, "Unknown"},
};

const descr_entry ccstm_usmmf[] = {
    {0,  "Turns On After One-Shot AF"},
    {1,  "Turns Off After One-Shot AF"},
    {2,  "Always Turned Off"},
    {-1, "Unknown"},
};

const descr_entry ccstm_yesno[] = {
    {0,  "Yes"},
    {1,  "No"},
    {-1, "Unknown"},
};

}  // namespace

const tag_def canon_1dcustom[] = {
    {0,      3, 0, LVL_VERBOSE, "1DCustom",        "Focusing screen",                ccstm_fscr},
    {1,      3, 0, LVL_VERBOSE, "1DCustom",        "Finder display during exposure", ccstm_offon},
    {2,      3, 0, LVL_VERBOSE, "1DCustom",        "Shutter release w/o CF card",    ccstm_yesno},
    {3,      3, 0, LVL_VERBOSE, "1DCustom",        "ISO speed expansion",            ccstm_noyes},
    {4,      3, 0, LVL_VERBOSE, "1DCustom",        "Shutter button/AEL button",      ccstm_shutterael},
    {5,      3, 0, LVL_VERBOSE, "1DCustom",        "Manual Tv/Av for M",             ccstm_tvavform},
    {6,      3, 0, LVL_VERBOSE, "1DCustom",        "Exposure level increments",      ccstm_explvlinc},
    {7,      3, 0, LVL_VERBOSE, "1DCustom",        "USM lens electronic MF",         ccstm_usmmf},
    {8,      3, 0, LVL_VERBOSE, "1DCustom",        "Top/back LCD panels",            ccstm_lcdpanels},
    {9,      3, 0, LVL_VERBOSE, "1DCustom",        "AEB sequence/auto cancellation", ccstm_aebseq},
    {10,     3, 0, LVL_VERBOSE, "1DCustom",        "AF point illumination",          ccstm_afill},
    {11,     3, 0, LVL_VERBOSE, "1DCustom",        "AF point selection",             ccstm_afsel},
    {12,     3, 0, LVL_VERBOSE, "1DCustom",        "Mirror lockup",                  ccstm_disen},
    {13,     3, 0, LVL_VERBOSE, "1DCustom",        "# AF points/spot metering",      ccstm_afspot},
    {14,     3, 0, LVL_VERBOSE, "1DCustom",        "Fill flash auto reduction",      ccstm_endis},
    {15,     3, 0, LVL_VERBOSE, "1DCustom",        "Shutter curtain sync",           ccstm_shutsync},
    {16,     3, 0, LVL_VERBOSE, "1DCustom",        "Safety shift in Av or Tv",       ccstm_disen},
    {17,     3, 0, LVL_VERBOSE, "1DCustom",        "AF point activation area",       ccstm_afact},
    {18,     3, 0, LVL_VERBOSE, "1DCustom",        "Switch to registered AF point",  ccstm_regaf},
    {19,     3, 0, LVL_VERBOSE, "1DCustom",        "Lens AF stop button",            ccstm_lensaf1},
    {20,     3, 0, LVL_VERBOSE, "1DCustom",        "AI servo tracking sensitivity",  ccstm_aisens},
    {0xFFFF, 3, 0, LVL_UNKNOWN, "1DCustomUnknown", "Canon 1D/1Ds Custom Unknown",    nullptr},
};

const tag_def canon_10dcustom[] = {
    {1,      3, 0, LVL_VERBOSE, "10DCustom",        "SET button function when shooting", ccstm_10dsetbut},
    {2,      3, 0, LVL_VERBOSE, "10DCustom",        "Shutter release w/o CF card",       ccstm_yesno},
    {3,      3, 0, LVL_VERBOSE, "10DCustom",        "Flash sync speed in Av mode",       ccstm_shutspd},
    {4,      3, 0, LVL_VERBOSE, "10DCustom",        "Shutter button/AE lock button",     ccstm_10dshutter},
    {5,      3, 0, LVL_VERBOSE, "10DCustom",        "AF-assist beam/Flash firing",       ccstm_assistflash},
    {6,      3, 0, LVL_VERBOSE, "10DCustom",        "Exposure level increments",         ccstm_explvl},
    {7,      3, 0, LVL_VERBOSE, "10DCustom",        "AF point registration",             ccstm_afptreg},
    {8,      3, 0, LVL_VERBOSE, "10DCustom",        "RAW+JPEG recording",                ccstm_rawjpeg},
    {9,      3, 0, LVL_VERBOSE, "10DCustom",        "AEB sequence/auto cancellation",    ccstm_aebseq},
    {10,     3, 0, LVL_VERBOSE, "10DCustom",        "Superimposed display",              ccstm_onoff},
    {11,     3, 0, LVL_VERBOSE, "10DCustom",        "Menu button display position",      ccstm_10dmenubut},
    {12,     3, 0, LVL_VERBOSE, "10DCustom",        "Mirror lockup",                     ccstm_disen},
    {13,     3, 0, LVL_VERBOSE, "10DCustom",        "Assist button function",            ccstm_assistbut},
    {14,     3, 0, LVL_VERBOSE, "10DCustom",        "Fill flash auto reduction",         ccstm_endis},
    {15,     3, 0, LVL_VERBOSE, "10DCustom",        "Shutter curtain sync",              ccstm_shutsync},
    {16,     3, 0, LVL_VERBOSE, "10DCustom",        "Safety shift in Av or Tv",          ccstm_disen},
    {17,     3, 0, LVL_VERBOSE, "10DCustom",        "Lens AF stop button",               ccstm_lensaf},
    {0xFFFF, 3, 0, LVL_UNKNOWN, "10DCustomUnknown", "Canon 10D Custom Unknown",          nullptr},
};

const tag_def canon_20dcustom[] = {
    {0,      3, 0, LVL_VERBOSE, "20DCustom",        "SET button function when shooting", ccstm_10dsetbut},
    {1,      3, 0, LVL_VERBOSE, "20DCustom",        "Long exposure noise reduction",     ccstm_offon},
    {2,      3, 0, LVL_VERBOSE, "20DCustom",        "Flash sync speed in Av mode",       ccstm_20dflashsync},
    {3,      3, 0, LVL_VERBOSE, "20DCustom",        "Shutter button/AE lock button",     ccstm_10dshutter},
    {4,      3, 0, LVL_VERBOSE, "20DCustom",        "AF-assist beam",                    ccstm_assistflash},
    {5,      3, 0, LVL_VERBOSE, "20DCustom",        "Exposure level increments",         ccstm_20dexplvl},
    {6,      3, 0, LVL_VERBOSE, "20DCustom",        "Flash firing",                      ccstm_20dflash},
    {7,      3, 0, LVL_VERBOSE, "20DCustom",        "ISO expansion",                     ccstm_offon},
    {8,      3, 0, LVL_VERBOSE, "20DCustom",        "AEB sequence/auto cancellation",    ccstm_aebseq},
    {9,      3, 0, LVL_VERBOSE, "20DCustom",        "Superimposed display",              ccstm_onoff},
    {10,     3, 0, LVL_VERBOSE, "20DCustom",        "Menu button display position",      ccstm_10dmenubut},
    {11,     3, 0, LVL_VERBOSE, "20DCustom",        "Mirror lockup",                     ccstm_disen},
    {12,     3, 0, LVL_VERBOSE, "20DCustom",        "AF point selection method",         ccstm_20dafpsel},
    {13,     3, 0, LVL_VERBOSE, "20DCustom",        "E-TTL II",                          ccstm_20dettl},
    {14,     3, 0, LVL_VERBOSE, "20DCustom",        "Shutter curtain sync",              ccstm_shutsync},
    {15,     3, 0, LVL_VERBOSE, "20DCustom",        "Safety shift in Av or Tv",          ccstm_disen},
    {16,     3, 0, LVL_VERBOSE, "20DCustom",        "Lens AF stop button",               ccstm_lensaf1},
    {17,     3, 0, LVL_VERBOSE, "20DCustom",        "Add original decision data",        ccstm_offon},
    {0xFFFF, 3, 0, LVL_UNKNOWN, "20DCustomUnknown", "Canon 20D Custom Unknown",          nullptr},
};

const tag_def canon_d30custom[] = {
    {1,      3, 0, LVL_VERBOSE, "D30Custom",        "Long exposure noise reduction",  ccstm_offon},
    {2,      3, 0, LVL_VERBOSE, "D30Custom",        "Shutter/AE lock buttons",        ccstm_shutter},
    {3,      3, 0, LVL_VERBOSE, "D30Custom",        "Mirror lockup",                  ccstm_disen},
    {4,      3, 0, LVL_VERBOSE, "D30Custom",        "Tv/Av and exposure level",       ccstm_explvl},
    {5,      3, 0, LVL_VERBOSE, "D30Custom",        "AF-assist light",                ccstm_autooff},
    {6,      3, 0, LVL_VERBOSE, "D30Custom",        "Av mode shutter speed",          ccstm_shutspd},
    {7,      3, 0, LVL_VERBOSE, "D30Custom",        "AEB sequence/auto cancellation", ccstm_aebseq},
    {8,      3, 0, LVL_VERBOSE, "D30Custom",        "Shutter curtain sync",           ccstm_shutsync},
    {9,      3, 0, LVL_VERBOSE, "D30Custom",        "Lens AF stop button",            ccstm_lensaf},
    {10,     3, 0, LVL_VERBOSE, "D30Custom",        "Fill flash auto reduction",      ccstm_endis},
    {11,     3, 0, LVL_VERBOSE, "D30Custom",        "Menu button return position",    ccstm_menubut},
    {12,     3, 0, LVL_VERBOSE, "D30Custom",        "Shooting Set button function",   ccstm_setbut},
    {13,     3, 0, LVL_VERBOSE, "D30Custom",        "Sensor cleaning",                ccstm_disen},
    {14,     3, 0, LVL_VERBOSE, "D30Custom",        "Superimposed display",           ccstm_onoff},
    {15,     3, 0, LVL_VERBOSE, "D30Custom",        "Shutter release w/o CF card",    ccstm_yesno},
    {0xFFFF, 3, 0, LVL_UNKNOWN, "D30CustomUnknown", "Canon D30/D60 Custom Unknown",   nullptr},
};

namespace {

// One function word as a child of the array: "<function> - <setting>", or
// "<end row's description> <function> - <setting>" for a function the table
// does not list. The child keeps the array's description, "Custom Function".
void customfunction(exif_prop* array, const tag_def* table, std::uint16_t word)
{
    const auto number = static_cast<std::uint16_t>(word >> 8);
    const std::uint16_t setting = word & 0xFF;
    const tag_def* row = tagrow(table, number);
    tag_def named = *row;
    named.descr = array->descr;
    named.table = nullptr;
    exif_prop* function = subvalue(array, table, named, number, setting);
    dumpprop(function, nullptr);
    if (row->table) {
        const char* text = descrtext(row->table, setting);
        rewrite(function, std::strlen(row->descr) + std::strlen(text) + 4).put(row->descr).put(" - ").put(text);
    } else {
        function->lvl = LVL_UNKNOWN;
        formattext(function, std::strlen(row->descr) + 14, "%s %d - %u", row->descr, number, unsigned{setting});
    }
}

}  // namespace

void canon_custom(exif_prop* prop, const canon_array& words, const tag_def* table)
{
    const std::uint64_t length = words.at(0), bytes = 2ull * words.count;
    if (length != bytes && length + 2 != bytes) {
        detail::warn(prop->ctx, "Canon custom tag appears corrupt");
        return;
    }
    const bool tracing = detail::tracing(prop->ctx);
    if (tracing)
        std::fprintf(detail::traceout(prop->ctx), "Processing %s directory, %u entries\n", prop->name, prop->count);
    const std::uint32_t functions = subvaluecount(prop, words.count - 1);
    for (std::uint32_t i = 1; i <= functions; i++)
        customfunction(prop, table, words.at(i));
    if (tracing)
        std::fputc('\n', detail::traceout(prop->ctx));
}

}  // namespace exifkit
