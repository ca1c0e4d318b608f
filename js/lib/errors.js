// Errors in the shape of Node's own: the built-in type, a code, and a message
// that names the argument and what it received.
function describe(value) {
  if (value === null) return 'null';
  if (typeof value === 'function') return `function ${value.name || '(anonymous)'}`;
  if (typeof value === 'object') return value.constructor?.name ? `an instance of ${value.constructor.name}` : 'an object';
  if (typeof value === 'string') return `type string ('${value.length > 28 ? `${value.slice(0, 25)}...` : value}')`;
  return `type ${typeof value} (${String(value)})`;
}

function coded(error, code) {
  error.code = code;
  return error;
}

export function invalidType(name, expected, value) {
  return coded(new TypeError(`The "${name}" argument must be ${expected}. Received ${describe(value)}`),
    'ERR_INVALID_ARG_TYPE');
}

export function detached(name, value) {
  return coded(new TypeError(`The "${name}" argument is on a detached ArrayBuffer, whose bytes are gone. Received ${describe(value)}`),
    'ERR_INVALID_ARG_TYPE');
}

export function outOfRange(name, range, value) {
  return coded(new RangeError(`The value of "${name}" is out of range. It must be ${range}. Received ${String(value)}`),
    'ERR_OUT_OF_RANGE');
}

export function invalidValue(name, value, reason) {
  return coded(new TypeError(`The argument '${name}' ${reason}. Received ${describe(value)}`), 'ERR_INVALID_ARG_VALUE');
}

export function partialByteEnded() {
  return coded(new Error('The message ended in a partial byte: only digest() and copy() may follow'),
    'ERR_MORV_MESSAGE_ENDED');
}
