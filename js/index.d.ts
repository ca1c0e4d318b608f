// Types of the morv package. They need no DOM or Node library: the shapes of
// the streams and blobs they take are declared here.

/** A message: bytes in any ArrayBuffer view or buffer, or a string, hashed as its UTF-8 bytes. */
export type Data = string | ArrayBufferView | ArrayBuffer | SharedArrayBuffer;

/** How a digest comes out: bytes by default, or text (the name in any case). */
export type Encoding = 'hex' | 'base64' | 'base64url';

/** How update() reads a string: the encodings of Node's Buffer.from, named in any case ('utf8' by default). */
export type InputEncoding =
  | 'utf8' | 'utf-8' | 'hex' | 'base64' | 'base64url' | 'latin1' | 'binary' | 'ascii'
  | 'ucs2' | 'ucs-2' | 'utf16le' | 'utf-16le';

/** A message in progress; digest() does not end it. */
export declare class Hash {
  /** A hash for digests of `bits` bits, a multiple of 8 from 8 to 65536 (RangeError otherwise). */
  constructor(bits?: number);
  /** 'morv-' and the digest length in bits, for example 'morv-512'. */
  readonly name: string;
  /** The digest length in bytes. */
  readonly digestSize: number;
  /** The block length in bytes: 64 up to 512-bit digests, 128 above. */
  readonly blockSize: number;
  /** Appends the bytes of data; a string is read in the encoding given, as Buffer.from reads it. */
  update(data: Data): this;
  update(data: string, encoding?: InputEncoding): this;
  /** Appends the first bitCount bits of data; a partial last byte (its high bits) ends the message. */
  updateBits(data: Data, bitCount: number): this;
  /** The digest of the message so far. */
  digest(): Uint8Array;
  digest(encoding: Encoding): string;
  /** An independent copy, message so far included. */
  copy(): Hash;
}

/** A new Hash, like Node's crypto.createHash. */
export declare function createHash(bits?: number): Hash;

/** The digest of data in one call, of `bits` bits (512 by default). */
export declare function morv(data: Data, bits?: number): Uint8Array;
export declare function morv(data: Data, bits: number, encoding: Encoding): string;

export declare function morv224(data: Data): Uint8Array;
export declare function morv224(data: Data, encoding: Encoding): string;
export declare function morv256(data: Data): Uint8Array;
export declare function morv256(data: Data, encoding: Encoding): string;
export declare function morv384(data: Data): Uint8Array;
export declare function morv384(data: Data, encoding: Encoding): string;
export declare function morv512(data: Data): Uint8Array;
export declare function morv512(data: Data, encoding: Encoding): string;
export declare function morv1024(data: Data): Uint8Array;
export declare function morv1024(data: Data, encoding: Encoding): string;

/** The digests of many messages, in their order. */
export declare function hashMany(messages: Iterable<Data>, bits?: number): Uint8Array[];
export declare function hashMany(messages: Iterable<Data>, bits: number, encoding: Encoding): string[];

/** What a web ReadableStream's reader gives (the DOM's is one). */
export interface ChunkReader {
  read(): Promise<{ done: false; value: Data } | { done: true; value?: unknown }>;
  releaseLock(): void;
}

/** A web ReadableStream of chunks, or anything with its getReader(). */
export interface ChunkStream {
  getReader(): ChunkReader;
}

/** A Blob or File, or anything whose stream() gives its bytes. */
export interface BlobLike {
  stream(): ChunkStream;
}

/** Anything that yields a message's chunks: a Node Readable is an AsyncIterable. */
export type Source = BlobLike | ChunkStream | AsyncIterable<Data> | Iterable<Data>;

/** hashStream's last argument. */
export interface StreamOptions {
  /** Called after each chunk is hashed, with the bytes read so far. */
  onProgress?: (bytesRead: number) => void;
}

/** The digest of a message read from a stream, a Blob or File, or an iterable, a chunk at a time. */
export declare function hashStream(source: Source, options?: StreamOptions): Promise<Uint8Array>;
export declare function hashStream(source: Source, bits?: number, options?: StreamOptions): Promise<Uint8Array>;
export declare function hashStream(source: Source, bits: number, encoding: Encoding, options?: StreamOptions): Promise<string>;

/** Resolves once the WebAssembly module is loaded (at import, where the host compiles synchronously). */
export declare const ready: Promise<void>;
