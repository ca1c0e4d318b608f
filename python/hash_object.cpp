// morv.Hash and the constructors that make it: new() and one per common digest
// length. As hashlib's types, it is made only by them (no __new__: an object
// always holds a started context) and cannot be changed (an immutable type).
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <span>
#include <string>

#include "arguments.h"
#include "hasher.h"
#include "module.h"
#include "morv.h"

namespace morv_python {
namespace {

// Inputs from this size up are hashed without the GIL, as hashlib does: below
// it, letting the GIL go and taking it back costs more than the hashing.
constexpr std::size_t kGilReleaseBytes = 2048;

// A message in progress. It keeps the message so far: digest() ends a copy of
// the context, so that update may follow. A lock keeps the context whole when
// threads share the object, since large updates run without the GIL.
class Message {
 public:
  explicit Message(int digestBits) : digestBits_(digestBits) { morv::Init(&ctx_, digestBits); }

  Message(const Message& other) : digestBits_(other.digestBits_) {
    const auto lock = other.Lock();
    ctx_ = other.ctx_;
    ended_ = other.ended_;
  }
  Message& operator=(const Message&) = delete;

  // Appends the first bitCount bits of bytes; a partial last byte ends the
  // message. False when it had ended.
  [[nodiscard]] bool Absorb(std::span<const std::uint8_t> bytes, std::size_t bitCount) {
    if (bytes.size() < kGilReleaseBytes) {
      const auto lock = Lock();
      return AbsorbLocked(bytes, bitCount);
    }
    const WithoutGil noGil;
    const std::lock_guard lock(mutex_);
    return AbsorbLocked(bytes, bitCount);
  }

  void Finish(std::uint8_t* digest) const {
    morv::HashContext copy;
    {
      const auto lock = Lock();
      copy = ctx_;
    }
    morv::Final(&copy, digest);
  }

  int DigestBits() const { return digestBits_; }
  std::size_t DigestSize() const { return morv::digestBytes(digestBits_); }
  int BlockSize() const { return digestBits_ > 512 ? 128 : 64; }

 private:
  // Takes the lock without stopping other Python threads while it waits: the
  // thread that holds it may be hashing without the GIL.
  std::unique_lock<std::mutex> Lock() const {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock()) {
      const WithoutGil noGil;
      lock.lock();
    }
    return lock;
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

  int digestBits_;
  morv::HashContext ctx_;
  bool ended_ = false;  // a partial byte was the last piece
  mutable std::mutex mutex_;
};

struct HashObject {
  PyObject_HEAD
  Message message;  // constructed in place after tp_alloc, destroyed in Dealloc
};

Message& MessageOf(PyObject* self) { return reinterpret_cast<HashObject*>(self)->message; }

// A new object of type whose message is a copy of from, or a new message of
// digestBits.
template <typename From>
PyObject* Make(PyTypeObject* type, const From& from) {
  PyObject* self = type->tp_alloc(type, 0);
  if (self != nullptr) new (&MessageOf(self)) Message(from);
  return self;
}

void Dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  MessageOf(self).~Message();
  type->tp_free(self);
  Py_DECREF(type);
}

// Appends as Message::Absorb does; false with ValueError set when the message had ended.
bool Append(PyObject* self, std::span<const std::uint8_t> bytes, std::size_t bitCount) {
  if (MessageOf(self).Absorb(bytes, bitCount)) return true;
  PyErr_SetString(PyExc_ValueError, "the message ended with a partial byte: no more data can follow");
  return false;
}

PyObject* Update(PyObject* self, PyObject* data) {
  InputBytes input;
  if (!input.Take(data)) return nullptr;
  if (!Append(self, input.Span(), 8 * input.Span().size())) return nullptr;
  Py_RETURN_NONE;
}

PyObject* UpdateBits(PyObject* self, PyObject* args, PyObject* kwargs) {
  static const char* keywords[] = {"data", "bit_count", nullptr};
  PyObject* data = nullptr;
  PyObject* bitCount = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO:update_bits", const_cast<char**>(keywords), &data, &bitCount))
    return nullptr;
  InputBytes input;
  if (!input.Take(data)) return nullptr;
  const long long dataBits = 8 * static_cast<long long>(input.Span().size());
  const auto bits =
      Integer(bitCount, "bit_count", "from 0 to 8 * len(data)", [&](long long n) { return n >= 0 && n <= dataBits; });
  if (!bits) return nullptr;
  if (!Append(self, input.Span(), static_cast<std::size_t>(*bits))) return nullptr;
  Py_RETURN_NONE;
}

PyObject* Digest(PyObject* self, PyObject*) {
  std::uint8_t digest[kMaxDigestBits / 8];
  MessageOf(self).Finish(digest);
  return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(digest),
                                   static_cast<Py_ssize_t>(MessageOf(self).DigestSize()));
}

PyObject* HexDigest(PyObject* self, PyObject*) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::uint8_t digest[kMaxDigestBits / 8];
  MessageOf(self).Finish(digest);
  const std::size_t size = MessageOf(self).DigestSize();
  PyObject* hex = PyUnicode_New(static_cast<Py_ssize_t>(2 * size), 127);
  if (hex == nullptr) return nullptr;
  Py_UCS1* out = PyUnicode_1BYTE_DATA(hex);
  for (std::size_t i = 0; i < size; ++i) {
    out[2 * i] = kDigits[digest[i] >> 4];
    out[2 * i + 1] = kDigits[digest[i] & 15];
  }
  return hex;
}

PyObject* Copy(PyObject* self, PyObject*) { return Make(Py_TYPE(self), MessageOf(self)); }

PyObject* Name(PyObject* self, void*) { return PyUnicode_FromFormat("morv-%d", MessageOf(self).DigestBits()); }
PyObject* DigestSize(PyObject* self, void*) { return PyLong_FromSize_t(MessageOf(self).DigestSize()); }
PyObject* BlockSize(PyObject* self, void*) { return PyLong_FromLong(MessageOf(self).BlockSize()); }

// hashlib's form, which names the hash: <sha256 _hashlib.HASH object @ 0x...>.
PyObject* Repr(PyObject* self) {
  const Reference name(Name(self, nullptr));
  if (!name) return nullptr;
  return PyUnicode_FromFormat("<%U %s object @ %p>", name.get(), Py_TYPE(self)->tp_name, self);
}

// The object of a constructor: data, or string (its name in hashlib's older
// constructors), hashed first.
PyObject* Construct(PyObject* module, int digestBits, PyObject* data, PyObject* string) {
  if (data != nullptr && string != nullptr) {
    PyErr_SetString(PyExc_TypeError, "'data' and 'string' are mutually exclusive");
    return nullptr;
  }
  InputBytes input;
  PyObject* first = data != nullptr ? data : string;
  if (first != nullptr && !input.Take(first)) return nullptr;
  Reference self(Make(StateOf(module).hashType, digestBits));
  if (!self || (first != nullptr && !Append(self.get(), input.Span(), 8 * input.Span().size()))) return nullptr;
  return self.release();
}

// usedforsecurity is hashlib's: accepted, and without effect, since morv is
// not a hash that a security policy turns off.
PyObject* New(PyObject* module, PyObject* args, PyObject* kwargs) {
  static const char* keywords[] = {"digest_bits", "data", "usedforsecurity", "string", nullptr};
  PyObject* digestBits = nullptr;
  PyObject* data = nullptr;
  PyObject* string = nullptr;
  int usedForSecurity = 1;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|OO$pO:new", const_cast<char**>(keywords), &digestBits, &data,
                                   &usedForSecurity, &string))
    return nullptr;
  const auto bits = DigestBits(digestBits);
  if (!bits) return nullptr;
  return Construct(module, *bits, data, string);
}

template <int Bits>
PyObject* NewOfLength(PyObject* module, PyObject* args, PyObject* kwargs) {
  static const char* keywords[] = {"data", "usedforsecurity", "string", nullptr};
  static const std::string format = "|O$pO:morv" + std::to_string(Bits);
  PyObject* data = nullptr;
  PyObject* string = nullptr;
  int usedForSecurity = 1;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, format.c_str(), const_cast<char**>(keywords), &data,
                                   &usedForSecurity, &string))
    return nullptr;
  return Construct(module, Bits, data, string);
}

// Each doc string starts with the signature that inspect and help() show.
#define MORV_FUNCTION(name, function, flags, doc) \
  {name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function)), flags, doc}

PyMethodDef kMethods[] = {
    MORV_FUNCTION("update", Update, METH_O,
                  "update($self, data, /)\n--\n\n"
                  "Appends the bytes of data, any object with the buffer protocol (not str)."),
    MORV_FUNCTION("update_bits", UpdateBits, METH_VARARGS | METH_KEYWORDS,
                  "update_bits($self, /, data, bit_count)\n--\n\n"
                  "Appends the first bit_count bits of data, most significant bit first in each\n"
                  "byte. A bit_count that is not a multiple of 8 ends the message: after it only\n"
                  "digest(), hexdigest() and copy() are allowed."),
    MORV_FUNCTION("digest", Digest, METH_NOARGS,
                  "digest($self, /)\n--\n\nThe digest of the message so far, digest_size bytes."),
    MORV_FUNCTION("hexdigest", HexDigest, METH_NOARGS,
                  "hexdigest($self, /)\n--\n\nThe digest as lower-case hexadecimal digits."),
    MORV_FUNCTION("copy", Copy, METH_NOARGS,
                  "copy($self, /)\n--\n\nAn independent copy of this object, message so far included."),
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef kAttributes[] = {
    {"name", Name, nullptr, "'morv-' and the digest length in bits.", nullptr},
    {"digest_size", DigestSize, nullptr, "The digest length in bytes.", nullptr},
    {"block_size", BlockSize, nullptr, "The block length in bytes: 64 up to 512-bit digests, 128 above.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot kSlots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(Dealloc)},
    {Py_tp_repr, reinterpret_cast<void*>(Repr)},
    {Py_tp_methods, kMethods},
    {Py_tp_getset, kAttributes},
    {Py_tp_doc, const_cast<char*>(
                    "A morv hash of the message given so far. Made by new() or morv224 ... morv1024.\n\n"
                    "digest() and hexdigest() may be called any number of times, and update()\n"
                    "may follow them: the object is not used up. Large inputs are hashed\n"
                    "without the GIL; threads may share an object.")},
    {0, nullptr},
};

PyType_Spec kSpec = {
    "morv.Hash", sizeof(HashObject), 0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION | Py_TPFLAGS_IMMUTABLETYPE, kSlots};

#define MORV_NEW_OF_LENGTH(bits)                                                                    \
  MORV_FUNCTION("morv" #bits, NewOfLength<bits>, METH_VARARGS | METH_KEYWORDS,                     \
                "morv" #bits "($module, /, data=b'', *, usedforsecurity=True, string=None)\n--\n\n" \
                "A new " #bits "-bit hash object, with data (or string) hashed first.")

PyMethodDef kConstructors[] = {
    MORV_FUNCTION("new", New, METH_VARARGS | METH_KEYWORDS,
                  "new($module, /, digest_bits=512, data=b'', *, usedforsecurity=True, string=None)\n--\n\n"
                  "A new hash object for digests of digest_bits bits (a multiple of 8 from 8 to\n"
                  "65536), with data (or string, hashlib's older name) hashed first. usedforsecurity\n"
                  "is accepted as hashlib's constructors accept it, and changes nothing."),
    MORV_NEW_OF_LENGTH(224),
    MORV_NEW_OF_LENGTH(256),
    MORV_NEW_OF_LENGTH(384),
    MORV_NEW_OF_LENGTH(512),
    MORV_NEW_OF_LENGTH(1024),
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int AddHash(PyObject* module) {
  PyObject* type = PyType_FromModuleAndSpec(module, &kSpec, nullptr);
  if (type == nullptr) return -1;
  StateOf(module).hashType = reinterpret_cast<PyTypeObject*>(type);
  if (PyModule_AddType(module, StateOf(module).hashType) < 0) return -1;
  return PyModule_AddFunctions(module, kConstructors);
}

}  // namespace morv_python
