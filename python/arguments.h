// Arguments as hashlib takes them: data as the bytes of a buffer, lengths as
// integers. Each failure sets the Python error that hashlib sets for it.
#pragma once

#include <Python.h>

#include <cstdint>
#include <optional>
#include <span>

#include "module.h"

namespace morv_python {

// The bytes of a buffer-protocol object while one call uses them. Take refuses
// as hashlib does: str and objects without the buffer protocol (TypeError), and
// buffers that are not C-contiguous (a strided memoryview: BufferError).
class InputBytes {
 public:
  InputBytes() = default;
  ~InputBytes() {
    if (view_.obj != nullptr) PyBuffer_Release(&view_);
  }
  InputBytes(const InputBytes&) = delete;
  InputBytes& operator=(const InputBytes&) = delete;

  [[nodiscard]] bool Take(PyObject* data);
  std::span<const std::uint8_t> Span() const {
    return {static_cast<const std::uint8_t*>(view_.buf), static_cast<std::size_t>(view_.len)};
  }

 private:
  Py_buffer view_{};
};

// The value of an integer argument (an int, or any object with __index__, as a
// NumPy integer) for which valid holds. Otherwise nullopt, with TypeError set
// for an object that is no integer, or ValueError "<name> must be <rule>, not
// <value>" (also for integers beyond 64 bits).
template <typename Valid>
std::optional<long long> Integer(PyObject* value, const char* name, const char* rule, Valid valid) {
  const Reference index(PyNumber_Index(value));
  if (!index) return std::nullopt;
  int overflow = 0;
  const long long n = PyLong_AsLongLongAndOverflow(index.get(), &overflow);
  if (overflow == 0 && valid(n)) return n;
  PyErr_Format(PyExc_ValueError, "%s must be %s, not %R", name, rule, index.get());
  return std::nullopt;
}

inline constexpr int kMaxDigestBits = 65536;

// digest_bits: a multiple of 8 from 8 to kMaxDigestBits, or 512 when not given
// (null).
std::optional<int> DigestBits(PyObject* value);

// A module function of a list and digest_bits=512, as hash_many and hash_files
// are: parses them as hashlib parses arguments (`format` names the function,
// as "O|O:hash_many") and runs `body` on them; a failed allocation is raised
// as MemoryError.
PyObject* CallOnListAndDigestBits(PyObject* args, PyObject* kwargs, const char* listName, const char* format,
                                  PyObject* (*body)(PyObject* list, int digestBits));

}  // namespace morv_python
