// Types of the exifkit WebAssembly package. A result is the object that
// `exifkit -J` prints for the same bytes (doc/exifkit.schema.json), `file` null.

/** [numerator, denominator], exactly as stored. */
export type Rational = [number, number];
/** A number element: null for a float that is not finite. */
export type NumberElement = number | null | Rational;
/**
 * The stored value: a number, a rational, an array of either, a string
 * (ASCII as text; UNDEFINED bytes as base64), `{length}` when over its cap,
 * null when it lies outside the block or the property is derived.
 */
export type Value = NumberElement | NumberElement[] | string | { length: number } | null;

export interface Property {
  /** IFD0, IFD1, Exif, GPS, Interop, or the maker note (Canon, Nikon, ...). */
  directory: string;
  tag: number;
  /** The tag's machine name: "ExposureTime". */
  key: string;
  /** The description: "Exposure Time". */
  name: string;
  /** The readable text: "1/160 sec". */
  text: string;
  value: Value;
  /** 2 camera, 4 image, 8 other, 1 unsupported: the groups of the command's text output. */
  group: 1 | 2 | 4 | 8;
  /** The TIFF type (a sub-value: its array's); 0 for a derived text. */
  type: number;
  count: number;
  /** The key of the array a sub-value comes from. */
  parent?: string;
}

export interface Position {
  /** Decimal degrees, south negative. */
  latitude?: number;
  /** Decimal degrees, west negative. */
  longitude?: number;
  /** Metres, below sea level negative. */
  altitude?: number;
  /** ISO 8601, UTC. */
  timestamp?: string;
  direction?: number;
}

export interface Summary {
  make?: string;
  model?: string;
  lens?: string;
  software?: string;
  /** ISO 8601, with the offset when the file gives one. */
  datetime_original?: string;
  datetime_digitized?: string;
  datetime_modified?: string;
  /** Seconds, reduced. */
  exposure_time?: Rational;
  f_number?: number;
  iso?: number;
  focal_length?: number;
  focal_length_35mm?: number;
  orientation?: number;
  width?: number;
  height?: number;
  gps?: Position;
}

export interface Result {
  file: null;
  format: 'jpeg' | 'tiff' | 'heif' | 'avif' | 'cr3' | 'png' | 'webp' | 'jxl' | 'raf' | 'crw' | null;
  /** 0 when Exif data were delivered. */
  result: number;
  /** The reason a fatal error ended the read ("Error: ..."). */
  error: string | null;
  warnings: { message: string; detail: string | null }[];
  frame: { precision: number; components: number; height: number; width: number } | null;
  summary: Summary;
  properties: Property[];
}

export type Input = Uint8Array | ArrayBuffer | ArrayBufferView | Blob;

/** The package's version, the library's. */
export const version: string;
/** Reads the metadata of a photo; a Blob or File is read in slices, never whole. */
export function read(input: Input): Promise<Result>;
/** The JPEG thumbnail embedded in the photo's Exif data, or null. */
export function thumbnail(input: Input): Promise<Uint8Array | null>;
/** Loads the module now rather than on the first read; resolves to its version. */
export function ready(): Promise<string>;
