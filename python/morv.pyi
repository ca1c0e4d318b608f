"""morv: a hash of any message length to any digest length, in hashlib's shape."""
from typing import Iterable, final

from _typeshed import ReadableBuffer

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
    def update(self, data: ReadableBuffer) -> None:
        """Appends the bytes of data (not str)."""
    def update_bits(self, data: ReadableBuffer, bit_count: int) -> None:
        """Appends the first bit_count bits of data; a partial last byte ends the message."""
    def digest(self) -> bytes:
        """The digest of the message so far."""
    def hexdigest(self) -> str:
        """The digest as lower-case hexadecimal digits."""
    def copy(self) -> Hash:
        """An independent copy, message so far included."""

def new(digest_bits: int = 512, data: ReadableBuffer = b"", *, usedforsecurity: bool = True) -> Hash:
    """A hash object for digests of digest_bits bits, a multiple of 8 from 8 to 65536.

    usedforsecurity is hashlib's keyword, accepted by every constructor; it changes nothing."""

def morv224(data: ReadableBuffer = b"", *, usedforsecurity: bool = True) -> Hash: ...
def morv256(data: ReadableBuffer = b"", *, usedforsecurity: bool = True) -> Hash: ...
def morv384(data: ReadableBuffer = b"", *, usedforsecurity: bool = True) -> Hash: ...
def morv512(data: ReadableBuffer = b"", *, usedforsecurity: bool = True) -> Hash: ...
def morv1024(data: ReadableBuffer = b"", *, usedforsecurity: bool = True) -> Hash: ...

def hash_many(buffers: Iterable[ReadableBuffer], digest_bits: int = 512) -> list[bytes]:
    """The digests of the buffers in their order, as new(digest_bits, b).digest() for each,
    eight at a time on the CPU's vector lanes (up to 512 bits), without the GIL."""
