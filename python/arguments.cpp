#include "arguments.h"

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

}  // namespace morv_python
