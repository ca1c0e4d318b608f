// Types of the morv package.

/** A message: bytes in any ArrayBuffer view or buffer, or a string, hashed as its UTF-8 bytes. */
export type Data = string | ArrayBufferView | ArrayBuffer | SharedArrayBuffer;

/** How a digest comes out: bytes by default, or text. */
export type Encoding = 'hex' | 'base64';

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
  /** Appends the bytes of data. */
  update(data: Data): this;
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

/** Anything that yields a message's chunks. */
export type Source =
  | Blob
  | ReadableStream<Data>
  | AsyncIterable<Data>
  | Iterable<Data>;

/** The digest of a message read from a stream, a Blob or File, or an iterable, a chunk at a time. */
export declare function hashStream(source: Source, bits?: number): Promise<Uint8Array>;
export declare function hashStream(source: Source, bits: number, encoding: Encoding): Promise<string>;

/** Resolves once the WebAssembly module is loaded (at import, where the host compiles synchronously). */
export declare const ready: Promise<void>;
