"""morv: a hash of any message length to any digest length, in hashlib's shape."""
from typing import Iterable, SupportsIndex, final

from _typeshed import ReadableBuffer, StrOrBytesPath

__version__: str

@final
class Hash:
    """A morv hash of the message given so far; digest() does not use it up."""

    @property
    def name(self) -> str:
        """'morv-' and the digest length in bits, for example 'morv-512'."""
    @property
    def digest_size(self) -> int:
        """The digest length in bytes."""
    @property
    def block_size(self) -> int:
        """The block length in bytes: 64 up to 512-bit digests, 128 above."""
    def update(self, data: ReadableBuffer, /) -> None:
        """Appends the bytes of data (not str)."""
    def update_bits(self, data: ReadableBuffer, bit_count: SupportsIndex) -> None:
        """Appends the first bit_count bits of data; a partial last byte ends the message."""
    def digest(self) -> bytes:
        """The digest of the message so far."""
    def hexdigest(self) -> str:
        """The digest as lower-case hexadecimal digits."""
    def copy(self) -> Hash:
        """An independent copy, message so far included."""

def new(digest_bits: SupportsIndex = 512, data: ReadableBuffer = b"", *, usedforsecurity: bool = True,
        string: ReadableBuffer | None = None) -> Hash:
    """A hash object for digests of digest_bits bits, a multiple of 8 from 8 to 65536.

    string is hashlib's older name for data (not both). usedforsecurity is hashlib's keyword,
    accepted by every constructor; it changes nothing."""

def morv224(data: ReadableBuffer = b"", *, usedforsecurity: bool = True, string: ReadableBuffer | None = None) -> Hash: ...
def morv256(data: ReadableBuffer = b"", *, usedforsecurity: bool = True, string: ReadableBuffer | None = None) -> Hash: ...
def morv384(data: ReadableBuffer = b"", *, usedforsecurity: bool = True, string: ReadableBuffer | None = None) -> Hash: ...
def morv512(data: ReadableBuffer = b"", *, usedforsecurity: bool = True, string: ReadableBuffer | None = None) -> Hash: ...
def morv1024(data: ReadableBuffer = b"", *, usedforsecurity: bool = True, string: ReadableBuffer | None = None) -> Hash: ...

def hash_many(buffers: Iterable[ReadableBuffer], digest_bits: SupportsIndex = 512) -> list[bytes]:
    """The digests of the buffers in their order, as new(digest_bits, b).digest() for each,
    eight at a time on the CPU's vector lanes (up to 512 bits), without the GIL."""

def hash_files(paths: Iterable[StrOrBytesPath], digest_bits: SupportsIndex = 512) -> list[bytes]:
    """The digests of the files in their order, as morvsum prints them, eight at a time on the CPU's
    vector lanes, without the GIL. A file that cannot be read raises the OSError that open() raises."""
