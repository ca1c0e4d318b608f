// morv.hash_many: the digests of many messages, in order, through the batch
// interface: eight at a time on the lanes up to 512 bits, one at a time above.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "arguments.h"
#include "hasher.h"
#include "module.h"
#include "morv.h"

namespace morv_python {
namespace {

// Below this many bytes in all, letting the GIL go costs more than the hashing.
constexpr std::size_t kGilReleaseBytes = 2048;

// A tuple of the buffers holds them while the hashing runs without the GIL (a
// list could change meanwhile), and the digests are written straight into
// their bytes objects, which nothing else can see before the call returns.
PyObject* HashMany(PyObject* buffers, int digestBits) {
  const Reference items(PySequence_Tuple(buffers));
  if (!items) return nullptr;
  const Py_ssize_t count = PyTuple_GET_SIZE(items.get());
  Reference digests(PyList_New(count));
  if (!digests) return nullptr;
  const std::size_t digestSize = morv::digestBytes(digestBits);
  std::deque<InputBytes> views;  // of the buffers that are not bytes objects
  std::vector<morv::MessageJob> jobs;
  jobs.reserve(static_cast<std::size_t>(count));
  std::size_t total = 0;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* item = PyTuple_GET_ITEM(items.get(), i);
    std::span<const std::uint8_t> message;
    if (PyBytes_CheckExact(item)) {
      message = {reinterpret_cast<const std::uint8_t*>(PyBytes_AS_STRING(item)),
                 static_cast<std::size_t>(PyBytes_GET_SIZE(item))};
    } else {
      if (!views.emplace_back().Take(item)) return nullptr;
      message = views.back().Span();
    }
    PyObject* digest = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(digestSize));
    if (digest == nullptr) return nullptr;
    PyList_SET_ITEM(digests.get(), i, digest);
    auto* out = reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(digest));
    if (message.size() > morv::MaxBytesPerCall) {
      morv::hash(digestBits, message, {out, digestSize});  // only where size_t has 32 bits
    } else {
      jobs.push_back({digestBits, message.data(), 8 * message.size(), out});
      total += message.size();
    }
  }
  {
    std::optional<WithoutGil> noGil;
    if (total >= kGilReleaseBytes) noGil.emplace();
    morv::HashMessages(jobs.data(), jobs.size());
  }
  return digests.release();
}

PyObject* HashManyCall(PyObject*, PyObject* args, PyObject* kwargs) {
  return CallOnListAndDigestBits(args, kwargs, "buffers", "O|O:hash_many", HashMany);
}

PyMethodDef kFunctions[] = {
    {"hash_many", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(HashManyCall)),
     METH_VARARGS | METH_KEYWORDS,
     "hash_many($module, /, buffers, digest_bits=512)\n--\n\n"
     "The digests of the buffers, a list of bytes in their order: the same as\n"
     "[new(digest_bits, b).digest() for b in buffers], computed on the CPU's\n"
     "vector lanes, eight messages at a time up to 512 bits (one at a time above),\n"
     "without the GIL. Messages of similar lengths share the lanes best."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int AddHashMany(PyObject* module) { return PyModule_AddFunctions(module, kFunctions); }

}  // namespace morv_python
