# The workerd test's host: the worker and morv.wasm as a wasm module, served on 127.0.0.1.
# workerd.test.js fills in PORT and DATE (the installed workerd's compatibility date).
using Workerd = import "/workerd/workerd.capnp";
const config :Workerd.Config = (
  services = [(name = "main", worker = .worker)],
  sockets = [(name = "http", address = "127.0.0.1:PORT", http = (), service = "main")],
);
const worker :Workerd.Worker = (
  modules = [
    (name = "worker.js", esModule = embed "worker.js"),
    (name = "morv/morv.wasm", wasm = embed "morv.wasm"),
  ],
  compatibilityDate = "DATE",
);
