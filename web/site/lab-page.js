// The lab page around its WebAssembly module: one state object, changed by the controls, the
// address and the parent page; frames that measure the curve in slices, grow the shown view's own
// measurement and draw what changed. The checks of every input, the measurements, the charts and
// the texts are the module's.
'use strict';

(function () {
  const WideWidth = 960;   // below it the set-up goes above the views
  const MinimumText = 12;  // CSS pixels, chart texts included, on narrow screens
  const Languages = ['en', 'de'];
  const ViewCount = 5;     // in the module's order: signals, decisions, rates, codes, spectrum
  const RatesView = 2;
  const MeasureMs = 8;     // the longest slice of the curve
  const SliceWindowMs = 10; // from a frame's beginning, the time in which the curve's slices may be long
  const ShortSliceMs = 1.5; // after it, as the next frame is near
  const RefineMs = 4;      // of each frame, for the shown view's own measurement
  const DescribeWithinMs = 6; // a view drawn later than this into its frame is described in the next
  const ProgressMs = 100;  // between two showings of the progress line
  const FamilyKeys = { random: 'Random chips', walsh: 'Walsh codes', msequence: 'm-sequences', gold: 'Gold codes' };
  // The inputs the address and the parent's messages name, in the order they are applied:
  // the number of users first, as the powers and delays are counted against it.
  const Names = ['users', 'codes', 'spread', 'power', 'ebn0', 'delays', 'async', 'bits', 'seed'];

  const $ = (id) => document.getElementById(id);
  const wideQuery = window.matchMedia('(min-width: ' + WideWidth + 'px)');

  let mod = null;

  // Everything the page shows; `setUp` is what the module took last.
  const state = {
    setUp: null, // {users, codes, spread, power, level, curve: {text, levels}, timing, delays, bits, seed}
    lang: 'en',
    view: 0,
    notice: null,      // {text, link}
    dirty: new Array(ViewCount).fill(true),
    texts: true,       // the language changed
    controls: true,    // the controls must show the set-up again
    layout: null,      // {wide, width, ratio}
    drawnLayout: null,
    refineBits: 500,   // of the shown view's own measurement per frame, adapted to the time it takes
    undescribed: -1,   // a view drawn whose words wait for the next frame
    refined: new Array(ViewCount).fill(false), // a view's own measurement has all it wants
    progressShown: -Infinity, // when the progress line was last written
    posted: 0,         // points of this curve posted to the parent
    answer: undefined, // the id of the parent's message that started this curve
    done: false,
    paused: false,     // a message's language is loading: its curve waits for it
    ready: false,
    curveStarting: false, // a curve begun whose first slice is to come
    awaitFrame: true,     // no slices until a frame has shown the curve begun
    warmed: false,        // the hidden views drawn once, before the first curve
  };

  // ---------------------------------------------------------------------------------------
  // Texts: every one from the language file through the module

  function T(key, params) {
    return mod.translate(key, (params || []).map(String));
  }

  function browserLanguage() {
    const list = navigator.languages && navigator.languages.length ? navigator.languages : [navigator.language || ''];
    for (const tag of list) {
      const primary = String(tag).toLowerCase().split('-')[0];
      if (Languages.includes(primary))
        return primary;
    }
    return 'en';
  }

  async function fetchLanguage(language) {
    try {
      const response = await fetch('dscdma.' + language + '.itl');
      if (response.ok)
        return new Uint8Array(await response.arrayBuffer());
    } catch (e) {
      // as without a file: the keys stand for themselves
    }
    return new Uint8Array(0);
  }

  async function loadLanguage(wanted, pending) {
    state.lang = Languages.includes(wanted) ? wanted : 'en';
    mod.loadLanguage(await (pending || fetchLanguage(state.lang)));
    state.texts = true;
    state.controls = true;
    state.dirty.fill(true);
    schedule();
  }

  function translatePage() {
    document.documentElement.lang = state.lang;
    document.title = T('DS-CDMA lab: noise, more users, codes');
    for (const el of document.querySelectorAll('[data-key]'))
      el.textContent = T(el.dataset.key);
    for (const el of document.querySelectorAll('[data-label]'))
      el.setAttribute('aria-label', T(el.dataset.label));
    for (const option of $('codes').options)
      option.textContent = T(FamilyKeys[option.value]);
  }

  // ---------------------------------------------------------------------------------------
  // Checking: every value through the module's check; the set-up as a whole through the module

  // The values a text stands for, or {refusal}.
  function check(name, text, users) {
    const r = mod.checkInput(name, String(text), users || 0);
    return r instanceof Error ? { refusal: r.message } : { values: r };
  }

  // What the module takes: the page's set-up in the module's terms.
  function moduleSetUp(s) {
    return {
      users: s.users, codes: s.codes, spread: s.spread, power: s.power, level: s.level, curve: s.curve.levels,
      bits: s.bits, seed: s.seed, delays: s.timing === 'delays' ? s.delays : [], async: s.timing === 'async',
    };
  }

  // Offers a whole set-up: taken, it is the page's and the curve starts again where it changed;
  // refused, the last one stays and the reason comes back.
  function offer(candidate) {
    const curve = mod.curveNumber();
    const r = mod.setUp(moduleSetUp(candidate));
    if (r instanceof Error)
      return r.message;
    const restarted = mod.curveNumber() !== curve;
    state.setUp = candidate;
    if (restarted)
      curveRestarted();
    state.controls = true;
    state.dirty.fill(true);
    state.refined.fill(false);
    schedule();
    return '';
  }

  // The marks time a curve for the page's benchmark, from its first slice.
  function curveRestarted() {
    state.curveStarting = true;
    state.awaitFrame = true;
    state.posted = 0;
    state.done = false;
    state.dirty[RatesView] = true;
    measureOn();
  }

  function copy(s) {
    return JSON.parse(JSON.stringify(s));
  }

  // Fits the powers and delays to a new number of users: new users at 0 dB and aligned.
  function fitUsers(s, users) {
    s.users = users;
    s.power = s.power.slice(0, users);
    s.delays = s.delays.slice(0, users);
    while (s.power.length < users)
      s.power.push(0);
    while (s.delays.length < users)
      s.delays.push(0);
  }

  // Applies named texts (from the address or a message) to a copy of the set-up; returns the
  // candidate and the refused ones, each `name=value: why`.
  function applyNamed(get) {
    const s = copy(state.setUp);
    const refused = [];
    const refuse = (name, value, why) => refused.push(name + '=' + shorten(value) + ': ' + why);
    for (const name of Names) {
      for (const raw of get(name)) {
        const text = typeof raw === 'string' || typeof raw === 'number' || typeof raw === 'boolean' ? String(raw) : null;
        if (text === null) {
          refuse(name, raw, T('not a value'));
          continue;
        }
        const c = check(name, name === 'async' && (raw === true || raw === false) ? (raw ? '1' : '0') : text, s.users);
        if (c.refusal) {
          refuse(name, text, c.refusal);
          continue;
        }
        takeNamed(s, name, text, c.values);
      }
    }
    return { candidate: s, refused };
  }

  function takeNamed(s, name, text, values) {
    switch (name) {
    case 'users': fitUsers(s, values[0]); break;
    case 'codes': s.codes = mod.familyName(values[0]); break;
    case 'spread': s.spread = values[0]; break;
    case 'power': s.power = values; break;
    case 'ebn0':
      // A level alone sets the slider; FROM:TO:STEP the curve.
      if (text.includes(':'))
        s.curve = { text, levels: values };
      else
        s.level = values[0];
      break;
    case 'delays': s.delays = values; s.timing = values.some((d) => d !== 0) ? 'delays' : 'aligned'; break;
    case 'async': if (values[0]) s.timing = 'async'; else if (s.timing === 'async') s.timing = 'aligned'; break;
    case 'bits': s.bits = values[0]; break;
    case 'seed': s.seed = values[0]; break;
    }
  }

  function shorten(value) {
    const text = String(value);
    return text.length > 24 ? text.slice(0, 24) + '…' : text;
  }

  // Named settings from the address or a parent; the set-up as a whole checked last. Returns
  // the language asked for, if any was.
  function applySettings(get, prefix) {
    const { candidate, refused } = applyNamed(get);
    const why = offer(candidate);
    if (why)
      refused.push(why);
    let language = null;
    for (const g of get('lang')) {
      if (Languages.includes(String(g)))
        language = String(g);
      else
        refused.push('lang=' + shorten(g) + ': ' + T('the page speaks en and de'));
    }
    state.notice = refused.length ? { text: T(prefix) + ' ' + refused.join('; '), link: '' } : null;
    schedule();
    return language;
  }

  // ---------------------------------------------------------------------------------------
  // The controls

  function option(select, value, text) {
    const o = document.createElement('option');
    o.value = String(value);
    o.textContent = text;
    select.append(o);
  }

  function buildControls() {
    const users = $('users');
    for (let k = 1; k <= 8; ++k)
      option(users, k, String(k));
    for (const family of Object.keys(FamilyKeys))
      option($('codes'), family, family);
  }

  function showControls() {
    const s = state.setUp;
    $('users').value = String(s.users);
    $('codes').value = s.codes;
    const spread = $('spread');
    const spreads = Array.from(mod.spreads(s.codes, s.users));
    if (spread.dataset.list !== spreads.join(',')) {
      spread.replaceChildren();
      for (const n of spreads)
        option(spread, n, String(n));
      spread.dataset.list = spreads.join(',');
    }
    spread.value = String(s.spread);
    numberList($('powerList'), 'power', s.power, (k) => T('User <%1%>', [k]), false);
    numberList($('delayList'), 'delay', s.delays, (k) => T('Delay of user <%1%> (chips)', [k]), true);
    $('delayList').hidden = s.timing !== 'delays';
    $('level').min = String(Math.min(-10, s.level));
    $('level').max = String(Math.max(30, s.level));
    $('level').value = String(s.level);
    $('levelShown').textContent = T('<%1%> dB', [s.level]);
    $('level').setAttribute('aria-valuetext', T('<%1%> dB', [s.level]));
    const [from, to, step] = s.curve.text.split(':');
    $('curveFrom').value = from;
    $('curveTo').value = to;
    $('curveStep').value = step;
    $('aligned').checked = s.timing === 'aligned';
    $('unaligned').checked = s.timing === 'delays';
    $('drawn').checked = s.timing === 'async';
    $('bits').value = String(s.bits);
    $('seed').value = String(s.seed);
  }

  // One text field per user, made or dropped as the users change; user 1's delay is fixed at 0.
  function numberList(box, name, values, labelOf, firstFixed) {
    while (box.children.length > values.length)
      box.lastElementChild.remove();
    while (box.children.length < values.length) {
      const k = box.children.length + 1;
      const label = document.createElement('label');
      const span = document.createElement('span');
      const input = document.createElement('input');
      input.type = 'text';
      input.inputMode = 'decimal';
      input.autocomplete = 'off';
      input.spellcheck = false;
      input.id = name + k;
      input.dataset.user = String(k);
      input.addEventListener('change', () => onListEdit(name));
      if (firstFixed && k === 1)
        input.readOnly = true;
      label.append(span, input);
      box.append(label);
    }
    Array.from(box.children).forEach((label, i) => {
      label.firstElementChild.textContent = labelOf(i + 1);
      const input = label.lastElementChild;
      if (document.activeElement !== input || input.value === '')
        input.value = String(values[i]);
    });
  }

  // An edit: the candidate set-up offered; refused, the notice says why and the control shows
  // the set-up as it was.
  function edit(change) {
    const s = copy(state.setUp);
    const why = change(s);
    const refusal = why || offer(s);
    state.notice = refusal ? { text: refusal, link: '' } : null;
    state.controls = true;
    schedule();
  }

  // Takes a checked text into the candidate, or says why not.
  function checked(s, name, text) {
    const c = check(name, text, s.users);
    if (c.refusal)
      return c.refusal;
    takeNamed(s, name, String(text), c.values);
    return '';
  }

  function onListEdit(name) {
    const inputs = Array.from((name === 'power' ? $('powerList') : $('delayList')).querySelectorAll('input'));
    const text = inputs.map((i) => i.value.trim()).join(',');
    edit((s) => checked(s, name === 'power' ? 'power' : 'delays', text));
    // The edited field keeps focus, which spares it while controls are drawn: it shows now what
    // is in force, the edit taken or not.
    const values = name === 'power' ? state.setUp.power : state.setUp.delays;
    inputs.forEach((input, i) => { input.value = String(values[i]); });
  }

  // A family or a number of users that the spreading factor cannot serve moves the factor to the
  // nearest one that can.
  function servedSpread(s) {
    const spreads = Array.from(mod.spreads(s.codes, s.users));
    if (!spreads.length || spreads.includes(s.spread))
      return;
    s.spread = spreads.reduce((best, n) => (Math.abs(n - s.spread) < Math.abs(best - s.spread) ? n : best));
  }

  function wireControls() {
    $('users').addEventListener('change', () => edit((s) => {
      const why = checked(s, 'users', $('users').value);
      servedSpread(s);
      return why;
    }));
    $('codes').addEventListener('change', () => edit((s) => {
      const why = checked(s, 'codes', $('codes').value);
      servedSpread(s);
      return why;
    }));
    $('spread').addEventListener('change', () => edit((s) => checked(s, 'spread', $('spread').value)));
    // The slider shows its level at once; the views follow in the next frame.
    $('level').addEventListener('input', () => edit((s) => checked(s, 'ebn0', $('level').value)));
    for (const id of ['curveFrom', 'curveTo', 'curveStep'])
      $(id).addEventListener('change', () => edit((s) => checked(s, 'ebn0',
        [$('curveFrom').value, $('curveTo').value, $('curveStep').value].map((v) => v.trim()).join(':'))));
    for (const id of ['aligned', 'unaligned', 'drawn'])
      $(id).addEventListener('change', () => edit((s) => {
        s.timing = $('drawn').checked ? 'async' : $('unaligned').checked ? 'delays' : 'aligned';
        return '';
      }));
    $('bits').addEventListener('change', () => edit((s) => checked(s, 'bits', $('bits').value.trim())));
    $('seed').addEventListener('change', () => edit((s) => checked(s, 'seed', $('seed').value.trim())));
    $('keep').addEventListener('click', () => {
      if (mod.keep()) {
        state.dirty[RatesView] = true;
        schedule();
      }
    });
    $('forget').addEventListener('click', () => {
      mod.clearKept();
      state.dirty[RatesView] = true;
      schedule();
    });
    $('link').addEventListener('click', onLinkClick);
    wireTabs();
  }

  // ---------------------------------------------------------------------------------------
  // Tabs: the arrow keys, Home and End move between them, and the one reached is shown

  function tabs() {
    return Array.from(document.querySelectorAll('#tabs [role="tab"]'));
  }

  function showView(index, focus) {
    state.view = index;
    state.dirty[index] = true;
    const list = tabs();
    list.forEach((tab, i) => {
      tab.setAttribute('aria-selected', String(i === index));
      tab.tabIndex = i === index ? 0 : -1;
      $('panel' + i).hidden = i !== index;
    });
    if (focus)
      list[index].focus();
    schedule();
  }

  function wireTabs() {
    tabs().forEach((tab, i) => {
      tab.addEventListener('click', () => showView(i, false));
      tab.addEventListener('keydown', (event) => {
        const moves = { ArrowRight: i + 1, ArrowLeft: i - 1, Home: 0, End: ViewCount - 1 };
        if (!(event.key in moves))
          return;
        event.preventDefault();
        showView((moves[event.key] + ViewCount) % ViewCount, true);
      });
    });
  }

  // ---------------------------------------------------------------------------------------
  // The curve is measured in slices of a few milliseconds, each a task of its own, so that the
  // browser takes input and draws frames between any two; while the page waits for a frame, the
  // slices are short late in a frame's interval (SliceClock), so that it is not held up. Frames
  // grow the shown view's own measurement and draw what changed. A frame the browser does not
  // give (a hidden or throttled page) comes by timer instead.

  const slices = new MessageChannel();
  const clock = new SliceClock({ windowMs: SliceWindowMs, sliceMs: MeasureMs, leastMs: ShortSliceMs });
  let slicing = false;
  slices.port1.onmessage = () => {
    slicing = false;
    // Only a frame of the page's own is kept from waiting; a hidden page has none.
    if (measure(clock.allowance(performance.now(), scheduled !== 0 && !document.hidden)))
      measureOn();
  };
  // A curve begun waits for the frame that shows it begun, the page's first one included, so
  // that an edit shows its first effect before any slice of the new curve.
  function measureOn() {
    if (slicing || !mod || state.done || state.paused || state.awaitFrame)
      return;
    if (state.curveStarting) {
      state.curveStarting = false;
      performance.mark('dscdma-lab-curve-start');
    }
    slicing = true;
    slices.port2.postMessage(0);
  }

  let scheduled = 0;
  let fallback = 0;
  function schedule() {
    if (scheduled || !mod)
      return;
    scheduled = requestAnimationFrame(frame);
    fallback = setTimeout(frame, 100);
  }

  function frame() {
    clock.frameBegun(performance.now());
    cancelAnimationFrame(scheduled);
    clearTimeout(fallback);
    scheduled = 0;
    if (!sameLayout(state.layout, state.drawnLayout)) {
      state.drawnLayout = state.layout;
      state.dirty.fill(true);
    }
    if (state.texts) {
      translatePage();
      state.texts = false;
    }
    if (state.controls) {
      showControls();
      state.controls = false;
    }
    const more = refine();
    describeLater();
    if (state.dirty[state.view])
      drawView(state.view);
    else if (state.view === RatesView)
      describeProgress();
    drawNotice();
    if (!state.ready) {
      state.ready = true;
      document.documentElement.dataset.state = 'ready';
      postReady();
    }
    if (state.awaitFrame) {
      state.awaitFrame = false;
      if (state.warmed)
        measureOn();
      else
        warmViews();
    }
    postSize();
    if (more || state.undescribed >= 0)
      schedule();
  }

  // A slice of the curve, sized to take about `ms`; the results of the points it ended.
  function measure(ms) {
    if (state.done || state.paused)
      return false;
    const bits = clock.bitsFor(ms);
    const start = performance.now();
    const r = mod.measure(bits);
    clock.ran(bits, performance.now() - start);
    if (r.completed > 0 || r.done) {
      state.dirty[RatesView] = true;
      state.done = r.done;
      if (r.done)
        performance.mark('dscdma-lab-curve-done');
      postResults();
    }
    // The progress line follows the slices while the error rate is shown, a few times a second:
    // a frame for each slice would be laid out and painted for a changed number alone.
    if (r.completed > 0 || (state.view === RatesView && performance.now() - state.progressShown >= ProgressMs))
      schedule();
    return !r.done;
  }

  // Whether the shown view wants more of its own measurement. A view that has all it wants is
  // not asked again until its set-up changes: asked, it would be drawn again for nothing.
  function refine() {
    const v = state.view;
    if (state.refined[v])
      return false;
    const start = performance.now();
    const more = mod.refine(v, state.refineBits);
    // Only a call that wants more measured all its bits: the others say nothing of the rate.
    if (more)
      state.refineBits = adapt(state.refineBits, performance.now() - start, RefineMs);
    state.dirty[v] = true;
    state.refined[v] = !more;
    return more;
  }

  // The next slice's bits: as many as the last took time for, within a factor of two of it.
  function adapt(bits, took, budget) {
    if (took <= 0.05)
      return Math.min(bits * 2, 1e7);
    return Math.max(100, Math.round(bits * Math.min(2, Math.max(0.5, budget / took))));
  }

  // ---------------------------------------------------------------------------------------
  // Drawing the shown view and what stands for it in words

  function measureLayout() {
    // The views' width inside a panel's padding; every panel has the same.
    const style = getComputedStyle($('panel' + state.view));
    const padding = parseFloat(style.paddingLeft) + parseFloat(style.paddingRight);
    const width = Math.floor(($('views').clientWidth || 600) - padding);
    state.layout = { wide: wideQuery.matches, width, ratio: window.devicePixelRatio || 1 };
    schedule();
  }

  function sameLayout(a, b) {
    return !!a && !!b && a.wide === b.wide && a.width === b.width && a.ratio === b.ratio;
  }

  // The chart first; its words in the same frame only while the frame is young, else in the
  // next, as a frame that draws a view for the first time may take long already. The page's
  // first frame shows both: the curve begins after it.
  function drawView(v) {
    drawChart(v);
    performance.mark('dscdma-lab-drawn');
    state.undescribed = v;
    if (!state.ready || performance.now() - clock.frameStart < DescribeWithinMs)
      describeLater();
    else if (v === RatesView)
      describeProgress();
  }

  function drawChart(v) {
    const width = state.layout ? state.layout.width : 600;
    // The signals' five bands, and the error rate's legend over its curves, want more height
    // than the other views on a narrow screen.
    const height = Math.round(Math.min(420, Math.max(v === 0 || v === RatesView ? 380 : 300, width * 0.5)));
    const drawn = mod.draw(v, width, height, state.layout && !state.layout.wide ? MinimumText : 0);
    const canvas = $('view' + v);
    canvas.style.width = drawn[0] + 'px';
    canvas.style.height = drawn[1] + 'px';
    state.dirty[v] = false;
  }

  // Before the first curve, each hidden view drawn once, a task each: the module's code for it
  // compiled, its canvas made and its texts measured then, rather than in the frame that first
  // shows it while a curve is measured. A view is drawn again when shown.
  function warmViews() {
    state.warmed = true;
    const hidden = [...Array(ViewCount).keys()].filter((v) => v !== state.view);
    // Tasks by message, which a hidden page's timers would hold back for seconds.
    const tasks = new MessageChannel();
    tasks.port1.onmessage = () => {
      const v = hidden.shift();
      if (v === undefined) {
        tasks.port1.close();
        measureOn();
        return;
      }
      if (v !== state.view)
        drawChart(v);
      tasks.port2.postMessage(0);
    };
    tasks.port2.postMessage(0);
  }

  // The words of the view drawn last, if they are still wanted.
  function describeLater() {
    const v = state.undescribed;
    state.undescribed = -1;
    if (v === state.view)
      describe(v);
  }

  function setText(el, text) {
    if (el.textContent !== text)
      el.textContent = text;
  }

  // In the page's language; rounded first, so that a small negative value reads 0.0, not -0.0.
  function fixed(x, digits) {
    const scale = 10 ** digits;
    const rounded = Math.round(Number(x) * scale) / scale + 0;
    return fixedFormat(digits).format(rounded);
  }

  // A formatter is costly to make (toLocaleString makes one per call): one per language and digits.
  const fixedFormats = new Map();
  function fixedFormat(digits) {
    const key = state.lang + ':' + digits;
    let format = fixedFormats.get(key);
    if (!format) {
      format = new Intl.NumberFormat(state.lang, { minimumFractionDigits: digits, maximumFractionDigits: digits, useGrouping: false });
      fixedFormats.set(key, format);
    }
    return format;
  }

  // Three significant digits in the page's language, with an exponent below 10^-4.
  function rate(x) {
    if (x === null || x === undefined)
      return '–';
    const text = x === 0 ? '0' : Number(x) < 1e-4 ? Number(x).toExponential(2) : Number(x).toPrecision(3);
    return state.lang === 'de' ? text.replace('.', ',') : text;
  }

  function table(id, head, rows) {
    const el = $(id);
    const caption = el.querySelector('caption');
    const thead = document.createElement('thead');
    const tr = thead.insertRow();
    for (const text of head) {
      const th = document.createElement('th');
      th.scope = 'col';
      th.textContent = text;
      tr.append(th);
    }
    const body = document.createElement('tbody');
    for (const row of rows) {
      const r = body.insertRow();
      row.forEach((cell, i) => {
        const c = i === 0 ? document.createElement('th') : r.insertCell();
        if (i === 0) {
          c.scope = 'row';
          r.append(c);
        }
        c.textContent = typeof cell === 'object' && cell !== null ? cell.text : String(cell);
        if (cell && cell.wrong)
          c.className = 'wrong';
      });
    }
    el.replaceChildren(...(caption ? [caption] : []), thead, body);
  }

  const describers = [describeSignals, describeDecisions, describeRates, describeCodes, describeSpectrum];
  function describe(v) {
    describers[v]();
  }

  function describeSignals() {
    const bits = mod.traces();
    const wrong = bits.filter((b) => b.decided !== b.sent).length;
    setText($('say0'), T('The first <%1%> bits of user 1 at <%2%> dB: <%3%> decided wrong.',
      [bits.length, state.setUp.level, wrong]));
    table('table0', [T('Bit'), T('Sent'), T('Correlator\'s sum at the end of the bit'), T('Decided')],
      bits.map((b, i) => [i + 1, b.sent > 0 ? 1 : 0, fixed(b.decision, 2),
        { text: String(b.decided > 0 ? 1 : 0), wrong: b.decided !== b.sent }]));
  }

  function describeDecisions() {
    const h = mod.histogram();
    setText($('say1'), T('Of <%1%> bits at <%2%> dB, <%3%> sums fell on the wrong side of 0: a rate of <%4%>. The Gaussian approximation gives <%5%>.',
      [h.bits, state.setUp.level, h.errors, rate(h.bits ? h.errors / h.bits : 0), rate(h.gaussianRate)]));
    const rows = [];
    for (let i = 0; i < h.ones.length; ++i)
      if (h.ones[i] || h.zeros[i])
        rows.push([fixed(h.low + i * h.width, 2) + ' … ' + fixed(h.low + (i + 1) * h.width, 2), h.ones[i], h.zeros[i]]);
    table('table1', [T('Correlator\'s sum'), T('Sent as 1'), T('Sent as 0')], rows);
  }

  function describeProgress() {
    state.progressShown = performance.now();
    const total = state.setUp.curve.levels.length;
    // Asked in many frames while the error rate is shown: the count alone, not the points.
    const progress = mod.measure(0);
    const measured = progress.measured;
    setText($('progress'), measured < total
      ? T('Measuring point <%1%> of <%2%> at <%3%> dB: <%4%> of <%5%> bits', [measured + 1, total,
        state.setUp.curve.levels[measured], progress.pointBits, state.setUp.bits])
      : '');
    $('progress').hidden = measured >= total;
  }

  function describeRates() {
    const points = mod.points();
    const total = state.setUp.curve.levels.length;
    describeProgress();
    const kept = mod.keptCount();
    setText($('say2'), kept === 1
      ? T('<%1%> of <%2%> points measured; one curve kept for comparison.', [points.length, total])
      : T('<%1%> of <%2%> points measured; <%3%> curves kept for comparison.', [points.length, total, kept]));
    $('keep').disabled = points.length === 0;
    $('forget').disabled = kept === 0;
    table('table2', [T('Eb/N0 (dB)'), T('Bits'), T('Errors'), T('Rate'), T('95 % interval'), T('Exact rate'),
      T('Gaussian approximation')],
      points.map((p) => [fixed(p.ebn0_db, 1), p.bits, p.errors, rate(p.ber), rate(p.ci95[0]) + ' … ' + rate(p.ci95[1]),
        rate(p.theory_exact), rate(p.theory_gaussian)]));
  }

  function describeCodes() {
    const c = mod.codes();
    const users = c.codes.length;
    const rx = c.rx - 1;
    const most = (m) => Math.max(...m[rx].filter((v, k) => k !== rx).map(Math.abs));
    if (users === 1)
      setText($('say3'), T('One code of <%1%> chips.', [c.codes[0].length]));
    else if (c.worst)
      setText($('say3'), T('<%1%> codes of <%2%> chips; at these delays user <%3%> correlates with the others at most <%4%>, over every delay at most <%5%>.',
        [users, c.codes[0].length, c.rx, most(c.matrix), most(c.worst)]));
    else
      setText($('say3'), T('<%1%> codes of <%2%> chips; user 1 correlates with the others at most <%3%>.',
        [users, c.codes[0].length, most(c.matrix)]));
    const head = [T('User')];
    if (c.worst)
      head.push(T('Delay (chips)'));
    head.push(T('Chips'));
    for (let k = 1; k <= users; ++k)
      head.push(T('With user <%1%>', [k]));
    if (c.worst)
      for (let k = 1; k <= users; ++k)
        head.push(T('Worst with user <%1%>', [k]));
    table('table3', head, c.codes.map((code, j) => [j + 1, ...(c.worst ? [c.delays[j]] : []),
      code.map((x) => (x > 0 ? '+' : '-')).join(''), ...c.matrix[j], ...(c.worst ? c.worst[j] : [])]));
  }

  function describeSpectrum() {
    const n = state.setUp.spread;
    const f = [0, 0.5, 1, 2, n / 2, n, 2 * n];
    const s = mod.spectrum(f);
    setText($('say4'), T('The data peaks at <%1%> dB; spread over <%2%> chips it peaks at <%3%> dB and reaches to <%2%> times the bit rate. Despread, what arrives peaks at <%4%> dB again.',
      [fixed(s.data[0], 1), n, fixed(s.spreadSignal[0], 1), fixed(s.despread[0], 1)]));
    table('table4', [T('Frequency (bit rates)'), T('Data of the decoded user'), T('Its spread signal'),
      T('What arrives'), T('What arrives, despread')],
      f.map((x, i) => [x, fixed(s.data[i], 1), fixed(s.spreadSignal[i], 1), fixed(s.received[i], 1), fixed(s.despread[i], 1)]));
  }

  let drawnNotice = null;
  function drawNotice() {
    const notice = $('notice');
    const wanted = state.notice || { text: '', link: '' };
    if (drawnNotice && drawnNotice.text === wanted.text && drawnNotice.link === wanted.link)
      return;
    drawnNotice = wanted;
    notice.replaceChildren(wanted.text);
    if (wanted.link) {
      const a = document.createElement('a');
      a.href = wanted.link;
      a.textContent = wanted.link;
      notice.append(a);
    }
    notice.hidden = !wanted.text && !wanted.link;
  }

  // ---------------------------------------------------------------------------------------
  // The address and the link to this set-up

  function setupLink() {
    const s = state.setUp;
    const params = new URLSearchParams();
    params.set('users', String(s.users));
    params.set('codes', s.codes);
    params.set('spread', String(s.spread));
    params.set('power', s.power.join(','));
    params.append('ebn0', String(s.level));
    params.append('ebn0', s.curve.text);
    if (s.timing === 'async')
      params.set('async', '1');
    else
      params.set('delays', (s.timing === 'delays' ? s.delays : s.delays.map(() => 0)).join(','));
    params.set('bits', String(s.bits));
    params.set('seed', String(s.seed));
    params.set('lang', state.lang);
    return location.origin + location.pathname + '?' + params.toString();
  }

  async function onLinkClick() {
    const address = setupLink();
    let copied = false;
    try {
      // A frame whose parent does not allow the clipboard gets none: not even asked.
      const policy = document.permissionsPolicy || document.featurePolicy;
      if (navigator.clipboard && window.isSecureContext && (!policy || policy.allowsFeature('clipboard-write'))) {
        await navigator.clipboard.writeText(address);
        copied = true;
      }
    } catch (e) {
      copied = false; // shown to copy by hand
    }
    state.notice = { text: T(copied ? 'Link to this set-up, copied:' : 'Link to this set-up:') + ' ', link: address };
    schedule();
  }

  // ---------------------------------------------------------------------------------------
  // Embedding: the main page's handshake, results after every point, settings from the parent

  const inFrame = window.parent !== window;
  const parentOrigin = (function () {
    try {
      if (location.ancestorOrigins && location.ancestorOrigins.length)
        return location.ancestorOrigins[0];
      if (document.referrer)
        return new URL(document.referrer).origin;
    } catch (e) {
      // unknown: results go to any parent, settings come from the parent window only
    }
    return null;
  })();
  const postTarget = parentOrigin && parentOrigin !== 'null' ? parentOrigin : '*';

  function post(message) {
    if (inFrame)
      window.parent.postMessage(message, postTarget);
  }

  function postedInputs() {
    const s = state.setUp;
    return {
      users: s.users, codes: s.codes, spread: s.spread, power: s.power.slice(), ebn0: s.curve.text, level: s.level,
      delays: s.timing === 'async' ? mod.delays() : s.timing === 'delays' ? s.delays.slice() : s.delays.map(() => 0),
      async: s.timing === 'async', bits: s.bits, seed: s.seed, lang: state.lang,
    };
  }

  // One message per point measured since the last, each with the curve up to it.
  function postResults() {
    const points = mod.points();
    const total = state.setUp.curve.levels.length;
    const inputs = postedInputs();
    for (let n = state.posted + 1; n <= points.length; ++n) {
      const message = { type: 'dscdma-lab-result', inputs, curve: { points: points.slice(0, n) }, done: n === total };
      if (state.answer !== undefined)
        message.id = state.answer;
      post(message);
    }
    state.posted = points.length;
  }

  function contentSize() {
    return {
      width: Math.ceil(document.documentElement.scrollWidth),
      height: Math.ceil(document.body.getBoundingClientRect().height),
    };
  }

  let postedSize = null;
  function postReady() {
    postedSize = contentSize();
    post({ type: 'dscdma-ready', version: mod.version(), width: postedSize.width, height: postedSize.height });
  }

  // Reading the size forces a layout in every frame that changed the page: only a parent wants it.
  function postSize() {
    if (!inFrame)
      return;
    const size = contentSize();
    if (postedSize && postedSize.width === size.width && postedSize.height === size.height)
      return;
    postedSize = size;
    post({ type: 'dscdma-size', width: size.width, height: size.height });
  }

  const early = [];
  function onMessage(event) {
    if (!inFrame || event.source !== window.parent)
      return;
    if (postTarget !== '*' && event.origin !== postTarget)
      return;
    if (!state.setUp) {
      early.push(event.data);
      return;
    }
    handleMessage(event.data);
  }

  async function handleMessage(data) {
    if (!data || typeof data !== 'object' || Array.isArray(data))
      return;
    if (data.type === 'dscdma-hello') {
      if (state.ready)
        postReady();
      return;
    }
    if (data.type !== 'dscdma-lab-set')
      return;
    const own = (name) => {
      if (!Object.prototype.hasOwnProperty.call(data, name))
        return [];
      const v = data[name];
      // Several levels at once: the slider's and the curve's.
      return name === 'ebn0' && Array.isArray(v) ? v : [v];
    };
    const language = applySettings(own, 'Ignored in a message:');
    // Every set starts the curve again, and its results answer the message, in its language:
    // nothing is measured until that is loaded.
    state.answer = Object.prototype.hasOwnProperty.call(data, 'id') ? data.id : undefined;
    mod.restart();
    if (language && language !== state.lang) {
      state.paused = true;
      await loadLanguage(language);
      state.paused = false;
    }
    curveRestarted();
    schedule();
  }

  // ---------------------------------------------------------------------------------------
  // Offline: the site's worker keeps the lab's files too, unless the host turned it off

  function offline() {
    if (!('serviceWorker' in navigator) || !/^https?:$/.test(location.protocol))
      return;
    if (document.documentElement.dataset.offline === 'off')
      return;
    navigator.serviceWorker.register('dscdma-sw.js', { updateViaCache: 'none' }).catch(() => {
      // Without the worker the lab works as before, only not offline.
    });
  }

  // ---------------------------------------------------------------------------------------
  // Start

  function noWebAssembly(text) {
    const line = $('nowasm');
    line.textContent = text;
    line.hidden = false;
    $('lab').hidden = true;
    $('notice').hidden = true;
  }

  async function start() {
    window.addEventListener('message', onMessage);
    const query = new URLSearchParams(location.search);
    const wanted = query.get('lang');
    state.lang = Languages.includes(wanted) ? wanted : browserLanguage();
    if (typeof WebAssembly !== 'object' || typeof createDscdmaLab !== 'function') {
      noWebAssembly(state.lang === 'de' ? 'Dieses Labor braucht einen Browser mit WebAssembly.'
        : 'This lab needs a browser with WebAssembly.');
      return;
    }
    const language = fetchLanguage(state.lang);
    try {
      mod = await createDscdmaLab({ canvases: Array.from({ length: ViewCount }, (x, i) => $('view' + i)) });
    } catch (e) {
      noWebAssembly(String(e && e.message ? e.message : e));
      return;
    }
    await loadLanguage(state.lang, language);
    buildControls();
    const fresh = mod.defaults();
    state.setUp = {
      users: fresh.users, codes: fresh.codes, spread: fresh.spread, power: Array.from(fresh.power), level: fresh.level,
      curve: { text: fresh.curve, levels: Array.from(fresh.levels) }, timing: 'aligned',
      delays: Array.from(fresh.power, () => 0), bits: fresh.bits, seed: fresh.seed,
    };
    offer(state.setUp);
    measureOn();
    wireControls();
    const asked = (name) => (name === 'lang' ? [] : query.getAll(name));
    applySettings(asked, 'Ignored in the address:');
    showView(0, false);
    wideQuery.addEventListener('change', measureLayout);
    window.addEventListener('resize', measureLayout);
    new ResizeObserver(measureLayout).observe($('views'));
    // A context that the browser lost (its graphics process restarted) comes back empty, and the
    // view drawn before would stay blank: it is drawn again, a hidden one when shown. Every
    // drawing sizes its canvas anew, which sets the transform and forgets the clip.
    for (let v = 0; v < ViewCount; ++v) {
      $('view' + v).addEventListener('contextrestored', () => {
        state.dirty[v] = true;
        schedule();
      });
    }
    measureLayout();
    for (const data of early.splice(0))
      await handleMessage(data);
    schedule();
    offline();
  }

  start();
})();
