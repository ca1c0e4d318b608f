#include "arguments.h"

#include <new>

namespace morv_python {

bool InputBytes::Take(PyObject* data) {
  if (PyUnicode_Check(data)) {
    PyErr_SetString(PyExc_TypeError, "Strings must be encoded before hashing");
    return false;
  }
  if (!PyObject_CheckBuffer(data)) {
    PyErr_SetString(PyExc_TypeError, "object supporting the buffer API required");
    return false;
  }
  return PyObject_GetBuffer(data, &view_, PyBUF_SIMPLE) == 0;
}

std::optional<int> DigestBits(PyObject* value) {
  if (value == nullptr) return 512;
  const auto bits = Integer(value, "digest_bits", "a multiple of 8 from 8 to 65536",
                            [](long long n) { return n >= 8 && n <= kMaxDigestBits && n % 8 == 0; });
  if (!bits) return std::nullopt;
  return static_cast<int>(*bits);
}

PyObject* CallOnListAndDigestBits(PyObject* args, PyObject* kwargs, const char* listName, const char* format,
                                  PyObject* (*body)(PyObject* list, int digestBits)) {
  const char* keywords[] = {listName, "digest_bits", nullptr};
  PyObject* list = nullptr;
  PyObject* digestBits = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, format, const_cast<char**>(keywords), &list, &digestBits))
    return nullptr;
  const auto bits = DigestBits(digestBits);
  if (!bits) return nullptr;
  try {
    return body(list, *bits);
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  }
}

}  // namespace morv_python
