// morv.hash_files: the digests of files, in order, through files/ HashFiles,
// the reader that morvsum's workers run: eight files at a time on the lanes,
// on the calling thread, without the GIL.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "arguments.h"
#include "hash_files.h"
#include "module.h"

namespace morv_python {
namespace {

// The name that open() would report for path (os.fspath's str or bytes), or
// null with the error that open() raises for an object that is no path.
Reference FileName(PyObject* path) { return Reference(PyOS_FSPath(path)); }

// The bytes that the system sees for a name: os.fsencode's, so that a str from
// os.listdir of a name that is not UTF-8 opens that file. False, with
// ValueError set, for a name with a NUL byte, as open() refuses it.
bool SystemName(PyObject* name, std::string& bytes) {
  PyObject* encoded = nullptr;
  if (PyUnicode_FSConverter(name, &encoded) == 0) return false;
  const Reference owned(encoded);
  bytes.assign(PyBytes_AS_STRING(encoded), static_cast<std::size_t>(PyBytes_GET_SIZE(encoded)));
  return true;
}

PyObject* HashFiles(PyObject* paths, int digestBits) {
  // One str, bytes or path would be taken as the paths of its characters.
  if (PyUnicode_Check(paths) || PyBytes_Check(paths) || PyObject_HasAttrString(paths, "__fspath__")) {
    return PyErr_Format(PyExc_TypeError, "paths must be an iterable of paths, not %.200s", Py_TYPE(paths)->tp_name);
  }
  const Reference items(PySequence_Tuple(paths));
  if (!items) return nullptr;
  const Py_ssize_t count = PyTuple_GET_SIZE(items.get());
  std::vector<Reference> fileNames;
  std::vector<std::string> systemNames(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i) {
    fileNames.push_back(FileName(PyTuple_GET_ITEM(items.get(), i)));
    if (!fileNames.back() || !SystemName(fileNames.back().get(), systemNames[static_cast<std::size_t>(i)]))
      return nullptr;
  }
  std::vector<morv::files::FileDigest> outcomes;
  {
    const WithoutGil noGil;
    outcomes = morv::files::HashFiles(systemNames, digestBits);
  }
  // As open() would have raised it, for the first file in order that failed;
  // HashFiles has closed every file by now.
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    if (outcomes[i].err == 0) continue;
    errno = outcomes[i].err;
    return PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, fileNames[i].get());
  }
  Reference digests(PyList_New(count));
  if (!digests) return nullptr;
  for (Py_ssize_t i = 0; i < count; ++i) {
    const std::vector<std::uint8_t>& digest = outcomes[static_cast<std::size_t>(i)].digest;
    PyObject* bytes = PyBytes_FromStringAndSize(reinterpret_cast<const char*>(digest.data()),
                                                static_cast<Py_ssize_t>(digest.size()));
    if (bytes == nullptr) return nullptr;
    PyList_SET_ITEM(digests.get(), i, bytes);
  }
  return digests.release();
}

PyObject* HashFilesCall(PyObject*, PyObject* args, PyObject* kwargs) {
  return CallOnListAndDigestBits(args, kwargs, "paths", "O|O:hash_files", HashFiles);
}

PyMethodDef kFunctions[] = {
    {"hash_files", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(HashFilesCall)),
     METH_VARARGS | METH_KEYWORDS,
     "hash_files($module, /, paths, digest_bits=512)\n--\n\n"
     "The digests of the files at paths (str, bytes or os.PathLike each), a list of\n"
     "bytes in their order: what morvsum prints for them, the same as\n"
     "new(digest_bits, open(p, 'rb').read()).digest() for each. The files are read\n"
     "and hashed eight at a time on the CPU's vector lanes, on the calling thread,\n"
     "without the GIL, in the memory of eight 64 KiB chunks whatever their sizes.\n"
     "A file that cannot be read raises the OSError that open() raises for it\n"
     "(FileNotFoundError, IsADirectoryError, PermissionError, ...), for the first\n"
     "such file in order, once every file is closed."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int AddHashFiles(PyObject* module) { return PyModule_AddFunctions(module, kFunctions); }

}  // namespace morv_python
