// Appended to the module's loader: the module's C functions as the page calls them, with texts
// and byte arrays in and plain values, objects and Errors out (bindings.cpp has the other side).
(function () {
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();

  // Each text (UTF-8) or byte array as a 4-byte length and its bytes, in memory the call frees.
  function packed(args, run) {
    let room = 0;
    for (const a of args)
      room += 4 + (typeof a === 'string' ? a.length * 3 : a.length);
    const block = _malloc(Math.max(room, 1));
    let at = block;
    for (const a of args) {
      const bytes = typeof a === 'string' ? null : a;
      const length = bytes ? bytes.length : encoder.encodeInto(a, HEAPU8.subarray(at + 4, at + 4 + a.length * 3)).written;
      if (bytes)
        HEAPU8.set(bytes, at + 4);
      for (let k = 0; k < 4; ++k)
        HEAPU8[at + k] = (length >>> (8 * k)) & 255; // little-endian, at any address
      at += 4 + length;
    }
    try {
      return run(block, at - block);
    } finally {
      _free(block);
    }
  }

  function out() {
    const at = _dscdma_out();
    return decoder.decode(HEAPU8.subarray(at, at + _dscdma_out_size()));
  }
  const json = () => JSON.parse(out());
  const orError = (taken, read) => (taken ? read() : new Error(out()));
  const text = (value) => (typeof value === 'string' ? value : '');

  Module['checkKey'] = (field, value, caret, lastValid) =>
    orError(packed([text(value), text(lastValid)], (p, n) => _dscdma_check_key(field, p, n, caret)), json);
  Module['typedCharacter'] = (typed) => (packed([text(typed)], _dscdma_typed_character), out());
  Module['loadLanguage'] = (bytes) => { packed([bytes], _dscdma_load_language); };
  Module['translate'] = (key, params) =>
    (packed([text(key)].concat(Array.isArray(params) ? params.map(text) : []), _dscdma_translate), out());
  // {received, code, ok, channel, shown, spoken}, or an Error.
  Module['update'] = (inputs) => orError(packed(
    [text(inputs.a), text(inputs.b), text(inputs.keyA), text(inputs.keyB), text(inputs.keyRx)],
    (p, n) => _dscdma_update(p, n, typeof inputs.sf === 'number' ? inputs.sf : 0, inputs.labels === true ? 1 : 0)), json);
  // The last run's traces, [{letter, chart, perBit, values}]: those whose letters `letters` names,
  // all without it.
  Module['traces'] = (letters) => (packed([text(letters)], _dscdma_traces), json());
  Module['systemColor'] = (index) => (_dscdma_system_color(index), out());
  // Four [width, height] pairs in CSS pixels, or null for a chart's stored size.
  Module['layout'] = (sizes, minimumText) => {
    const pair = (i) => (Array.isArray(sizes[i]) ? [sizes[i][0], sizes[i][1]] : [-1, -1]);
    _dscdma_layout(...pair(0), ...pair(1), ...pair(2), ...pair(3), minimumText);
    return json();
  };
  Module['version'] = () => (_dscdma_version(), out());
  Module['inputTable'] = () => (_dscdma_input_table(), json());
  Module['checkInput'] = (name, value) => orError(packed([text(name), text(value)], _dscdma_check_input), json);
  Module['spokenByCode'] = (code) => _dscdma_spoken_by_code(code) !== 0;
  Module['aboutTexts'] = (setting) => (packed([text(setting)], _dscdma_about_texts), json());
  Module['recordSets'] = (sets, english, german) => (packed([text(sets), english, german], _dscdma_record_sets), out());
})();
