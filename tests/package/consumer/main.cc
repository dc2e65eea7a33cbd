// Reads a photo through the installed library: prints its camera model and
// the number of properties, and fails when there were none.
#include <cstdio>

#include <exifkit/exifkit.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const exifkit::Metadata m = exifkit::readMetadata(argv[1]);
    std::size_t count = 0;
    for (const exifkit::Group& g : m.groups)
        for (const exifkit::Property& p : g.properties) {
            ++count;
            if (p.name == "Camera Model")
                std::printf("model: %s\n", p.text.c_str());
        }
    std::printf("properties: %zu\n", count);
    return m.result == exifkit::EXIF_OK && count > 0 ? 0 : 1;
}
