// The module morv: its state, its version, and the parts that add their types
// and functions to it (module.h lists them), in hashlib's shape.
#include "module.h"

namespace morv_python {
namespace {

int Exec(PyObject* module) {
  if (AddHash(module) < 0 || AddHashMany(module) < 0 || AddHashFiles(module) < 0) return -1;
  return PyModule_AddStringConstant(module, "__version__", MORV_VERSION);
}

int Traverse(PyObject* module, visitproc visit, void* arg) {
  Py_VISIT(StateOf(module).hashType);
  return 0;
}

int Clear(PyObject* module) {
  Py_CLEAR(StateOf(module).hashType);
  return 0;
}

void Free(void* module) { Clear(static_cast<PyObject*>(module)); }

PyModuleDef_Slot kSlots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(Exec)},
    {0, nullptr},
};

PyModuleDef kModule = {
    PyModuleDef_HEAD_INIT,
    "morv",
    "morv: a hash of any message length to any digest length, in hashlib's shape.\n\n"
    "    >>> import morv\n"
    "    >>> h = morv.morv512(b'ab')\n"
    "    >>> h.update(b'c')\n"
    "    >>> h.hexdigest() == morv.new(512, b'abc').hexdigest()\n"
    "    True\n\n"
    "new(digest_bits, data) takes any digest length that is a multiple of 8 from 8\n"
    "to 65536 bits; morv224 ... morv1024 are the common ones. Lengths up to 512 bits\n"
    "use the 512-bit state (64-byte blocks), longer ones the 1024-bit state.",
    sizeof(ModuleState),
    nullptr,
    kSlots,
    Traverse,
    Clear,
    Free,
};

}  // namespace
}  // namespace morv_python

PyMODINIT_FUNC PyInit_morv() { return PyModuleDef_Init(&morv_python::kModule); }
