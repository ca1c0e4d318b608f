// morv as a Python module with hashlib's conventions: new() and one
// constructor per common digest length, giving objects with update, digest,
// hexdigest and copy. Everything is the library's: this file only converts
// arguments, takes the object's lock and lets go of the GIL.
#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hasher.h"
#include "morv.h"

namespace py = pybind11;

namespace {

constexpr int kMinDigestBits = 8;
constexpr int kMaxDigestBits = 65536;

// Inputs from this size up are hashed without the GIL, as hashlib does: below
// it, letting the GIL go and taking it back costs more than the hashing.
constexpr std::size_t kGilReleaseBytes = 2048;

// The value of n when it lies in [low, high], also for integers beyond 64 bits.
std::optional<long long> Within(const py::int_& n, long long low, long long high) {
  int overflow = 0;
  const long long value = PyLong_AsLongLongAndOverflow(n.ptr(), &overflow);
  if (overflow != 0 || value < low || value > high) return std::nullopt;
  return value;
}

// The bytes of a buffer-protocol object while one call uses them, with
// hashlib's checks and messages: str and objects without the buffer protocol
// are refused, and so are buffers that are not C-contiguous (a strided
// memoryview: BufferError).
class InputBytes {
 public:
  explicit InputBytes(py::handle object) {
    if (PyUnicode_Check(object.ptr())) throw py::type_error("Strings must be encoded before hashing");
    if (!PyObject_CheckBuffer(object.ptr())) throw py::type_error("object supporting the buffer API required");
    if (PyObject_GetBuffer(object.ptr(), &view_, PyBUF_SIMPLE) != 0) throw py::error_already_set();
  }
  ~InputBytes() { PyBuffer_Release(&view_); }
  InputBytes(const InputBytes&) = delete;
  InputBytes& operator=(const InputBytes&) = delete;

  std::span<const std::uint8_t> Span() const {
    return {static_cast<const std::uint8_t*>(view_.buf), static_cast<std::size_t>(view_.len)};
  }

 private:
  Py_buffer view_{};
};

// A message in progress. The object keeps the message so far: digest() ends
// a copy of the context, so that update may follow. A lock keeps the context
// whole when threads share the object, since large updates run without the GIL.
class Hash {
 public:
  explicit Hash(int digestBits) : digestBits_(digestBits) { morv::Init(&ctx_, digestBits); }

  Hash(const Hash& other) : digestBits_(other.digestBits_) {
    const auto lock = other.Lock();
    ctx_ = other.ctx_;
    ended_ = other.ended_;
  }
  Hash& operator=(const Hash&) = delete;

  void Update(const py::object& data) {
    const InputBytes input(data);
    Absorb(input.Span(), 8 * input.Span().size());
  }

  void UpdateBits(const py::object& data, const py::int_& bitCount) {
    const InputBytes input(data);
    const auto bits = Within(bitCount, 0, 8 * static_cast<long long>(input.Span().size()));
    if (!bits) throw py::value_error("bit_count must be from 0 to 8 * len(data)");
    Absorb(input.Span(), static_cast<std::size_t>(*bits));
  }

  py::bytes Digest() const {
    std::uint8_t digest[kMaxDigestBits / 8];
    Finish(digest);
    return {reinterpret_cast<const char*>(digest), DigestSize()};
  }

  std::string HexDigest() const {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::uint8_t digest[kMaxDigestBits / 8];
    Finish(digest);
    std::string hex(2 * DigestSize(), '\0');
    for (std::size_t i = 0; i < DigestSize(); ++i) {
      hex[2 * i] = kDigits[digest[i] >> 4];
      hex[2 * i + 1] = kDigits[digest[i] & 15];
    }
    return hex;
  }

  std::string Name() const { return "morv-" + std::to_string(digestBits_); }
  std::size_t DigestSize() const { return morv::digestBytes(digestBits_); }
  int BlockSize() const { return digestBits_ > 512 ? 128 : 64; }

 private:
  // Takes the lock without stopping other Python threads while it waits: the
  // thread that holds it may be hashing without the GIL.
  std::unique_lock<std::mutex> Lock() const {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock()) {
      const py::gil_scoped_release noGil;
      lock.lock();
    }
    return lock;
  }

  // The first bitCount bits of bytes; a partial last byte ends the message.
  void Absorb(std::span<const std::uint8_t> bytes, std::size_t bitCount) {
    bool accepted = false;
    if (bytes.size() < kGilReleaseBytes) {
      const auto lock = Lock();
      accepted = AbsorbLocked(bytes, bitCount);
    } else {
      const py::gil_scoped_release noGil;
      const std::lock_guard lock(mutex_);
      accepted = AbsorbLocked(bytes, bitCount);
    }
    if (!accepted) throw py::value_error("the message ended with a partial byte: no more data can follow");
  }

  bool AbsorbLocked(std::span<const std::uint8_t> bytes, std::size_t bitCount) {
    if (ended_) return false;
    const std::size_t wholeBytes = bitCount / 8;
    morv::detail::absorb(ctx_, bytes.first(wholeBytes));
    if (bitCount % 8 != 0) {
      morv::Update(&ctx_, bytes.data() + wholeBytes, bitCount % 8);
      ended_ = true;
    }
    return true;
  }

  void Finish(std::uint8_t* digest) const {
    morv::HashContext copy;
    {
      const auto lock = Lock();
      copy = ctx_;
    }
    morv::Final(&copy, digest);
  }

  int digestBits_;
  morv::HashContext ctx_;
  bool ended_ = false;  // a partial byte was the last piece
  mutable std::mutex mutex_;
};

// The digests of many messages, in order, through the batch interface: eight
// at a time on the lanes up to 512 bits, one at a time above. A tuple of the
// buffers holds them while the hashing runs without the GIL (a list could
// change meanwhile), and the digests are written straight into their bytes
// objects, which nothing else can see before the call returns.
py::list HashMany(const py::iterable& buffers, int digestBits) {
  const auto items = py::reinterpret_steal<py::tuple>(PySequence_Tuple(buffers.ptr()));
  if (!items) throw py::error_already_set();
  const std::size_t digestSize = morv::digestBytes(digestBits);
  std::deque<InputBytes> views;  // of the buffers that are not bytes objects
  std::vector<morv::MessageJob> jobs;
  jobs.reserve(items.size());
  py::list digests(items.size());
  std::size_t total = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    PyObject* item = PyTuple_GET_ITEM(items.ptr(), i);
    const std::span<const std::uint8_t> message =
        PyBytes_CheckExact(item)
            ? std::span(reinterpret_cast<const std::uint8_t*>(PyBytes_AS_STRING(item)),
                        static_cast<std::size_t>(PyBytes_GET_SIZE(item)))
            : views.emplace_back(item).Span();
    PyObject* digest = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(digestSize));
    if (digest == nullptr) throw py::error_already_set();
    PyList_SET_ITEM(digests.ptr(), i, digest);
    auto* out = reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(digest));
    if (message.size() > morv::detail::kMaxBytesPerCall) {
      morv::hash(digestBits, message, {out, digestSize});  // only where size_t has 32 bits
    } else {
      jobs.push_back({digestBits, message.data(), 8 * message.size(), out});
      total += message.size();
    }
  }
  {
    std::optional<py::gil_scoped_release> noGil;
    if (total >= kGilReleaseBytes) noGil.emplace();
    morv::HashMessages(jobs.data(), jobs.size());
  }
  return digests;
}

std::unique_ptr<Hash> NewHash(int digestBits, const py::object& data) {
  auto hash = std::make_unique<Hash>(digestBits);
  hash->Update(data);
  return hash;
}

int CheckedDigestBits(const py::int_& digestBits) {
  const auto bits = Within(digestBits, kMinDigestBits, kMaxDigestBits);
  if (!bits || *bits % 8 != 0)
    throw py::value_error("digest_bits must be a multiple of 8 from 8 to 65536, not " +
                          py::repr(digestBits).cast<std::string>());
  return static_cast<int>(*bits);
}

}  // namespace

PYBIND11_MODULE(morv, m) {
  m.doc() =
      "morv: a hash of any message length to any digest length, in hashlib's shape.\n\n"
      "    >>> import morv\n"
      "    >>> h = morv.morv512(b'ab')\n"
      "    >>> h.update(b'c')\n"
      "    >>> h.hexdigest() == morv.new(512, b'abc').hexdigest()\n"
      "    True\n\n"
      "new(digest_bits, data) takes any digest length that is a multiple of 8 from 8\n"
      "to 65536 bits; morv224 ... morv1024 are the common ones. Lengths up to 512 bits\n"
      "use the 512-bit state (64-byte blocks), longer ones the 1024-bit state.";

  py::class_<Hash>(m, "Hash",
                   "A morv hash of the message given so far. Made by new() or morv224 ... morv1024.\n\n"
                   "digest() and hexdigest() may be called any number of times, and update()\n"
                   "may follow them: the object is not used up. Large inputs are hashed\n"
                   "without the GIL; threads may share an object.")
      .def("update", &Hash::Update, py::arg("data"),
           "Appends the bytes of data, any object with the buffer protocol (not str).")
      .def("update_bits", &Hash::UpdateBits, py::arg("data"), py::arg("bit_count"),
           "Appends the first bit_count bits of data, most significant bit first in each\n"
           "byte. A bit_count that is not a multiple of 8 ends the message: after it only\n"
           "digest(), hexdigest() and copy() are allowed.")
      .def("digest", &Hash::Digest, "The digest of the message so far, digest_size bytes.")
      .def("hexdigest", &Hash::HexDigest, "The digest as lower-case hexadecimal digits.")
      .def("copy", [](const Hash& hash) { return std::make_unique<Hash>(hash); },
           "An independent copy of this object, message so far included.")
      .def_property_readonly("name", &Hash::Name, "'morv-' and the digest length in bits.")
      .def_property_readonly("digest_size", &Hash::DigestSize, "The digest length in bytes.")
      .def_property_readonly("block_size", &Hash::BlockSize,
                             "The block length in bytes: 64 up to 512-bit digests, 128 above.");

  // usedforsecurity is hashlib's: accepted, and without effect, since morv
  // is not a hash that a security policy turns off.
  m.def(
      "new",
      [](const py::int_& digestBits, const py::object& data, bool) {
        return NewHash(CheckedDigestBits(digestBits), data);
      },
      py::arg("digest_bits") = 512, py::arg("data") = py::bytes(), py::kw_only(),
      py::arg("usedforsecurity") = true,
      "A new hash object for digests of digest_bits bits (a multiple of 8 from 8 to\n"
      "65536), with data hashed first. usedforsecurity is accepted as hashlib's\n"
      "constructors accept it, and changes nothing.");
  for (const int bits : {224, 256, 384, 512, 1024}) {
    const std::string name = "morv" + std::to_string(bits);
    const std::string doc = "A new " + std::to_string(bits) + "-bit hash object, with data hashed first.";
    m.def(name.c_str(), [bits](const py::object& data, bool) { return NewHash(bits, data); },
          py::arg("data") = py::bytes(), py::kw_only(), py::arg("usedforsecurity") = true, doc.c_str());
  }
  m.def(
      "hash_many",
      [](const py::iterable& buffers, const py::int_& digestBits) {
        return HashMany(buffers, CheckedDigestBits(digestBits));
      },
      py::arg("buffers"), py::arg("digest_bits") = 512,
      "The digests of the buffers, a list of bytes in their order: the same as\n"
      "[new(digest_bits, b).digest() for b in buffers], computed on the CPU's\n"
      "vector lanes, eight messages at a time up to 512 bits (one at a time above),\n"
      "without the GIL. Messages of similar lengths share the lanes best.");
}
