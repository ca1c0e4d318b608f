// What the parts of the module share: its state, the call by which each part
// adds its types and functions to the module as it is made (module.cpp calls
// them in turn), and two small helpers for the C API.
#pragma once

#include <Python.h>

#include <memory>

namespace morv_python {

struct ModuleState {
  PyTypeObject* hashType;  // morv.Hash, which the constructors make
};

inline ModuleState& StateOf(PyObject* module) { return *static_cast<ModuleState*>(PyModule_GetState(module)); }

// Each returns 0, or -1 with the Python error set.
int AddHash(PyObject* module);       // hash_object.cpp: Hash, new() and morv224 ... morv1024
int AddHashMany(PyObject* module);   // hash_many.cpp: hash_many()
int AddHashFiles(PyObject* module);  // hash_files.cpp: hash_files()

struct DropReference {
  void operator()(PyObject* object) const { Py_DECREF(object); }
};
using Reference = std::unique_ptr<PyObject, DropReference>;  // a strong reference

// Lets other Python threads run while it lives.
class WithoutGil {
 public:
  WithoutGil() : state_(PyEval_SaveThread()) {}
  ~WithoutGil() { PyEval_RestoreThread(state_); }
  WithoutGil(const WithoutGil&) = delete;
  WithoutGil& operator=(const WithoutGil&) = delete;

 private:
  PyThreadState* state_;
};

}  // namespace morv_python
