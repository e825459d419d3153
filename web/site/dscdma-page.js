// The page around the WebAssembly module: one state object, changed by the controls, the address
// and the parent page, and drawn once per frame. The simulation, the key-field rules, the
// character conversion, the language files and the chart drawing are the module's.
'use strict';

(function () {
  const WideWidth = 931; // the desktop window's width; narrower screens get the narrow layout
  const MinimumText = 12; // CSS pixels, chart texts included, in the narrow layout
  const KeyFields = ['keyA', 'keyB', 'keyRx']; // the module's field numbers, in this order
  const ChartIds = ['rca', 'rcb', 'rcc', 'rcd'];
  const StoredHeights = [137, 145, 81, 281];
  const Languages = ['en', 'de'];
  const ButtonFace = 15; // the system colour index
  // The charts' font, as the module asks the browser for it (BrowserCanvas::CssFont).
  const ChartFontFamily = '"DejaVu Sans", sans-serif';

  // The page's own texts, which the desktop window has no keys for. %1, %2 ... are filled in.
  const PageTexts = {
    en: {
      link: 'Link to this set-up',
      linkCopied: 'Link to this set-up, copied: ',
      linkShown: 'Link to this set-up: ',
      ignoredAddress: 'Ignored in the address: ',
      ignoredMessage: 'Ignored in a message: ',
      close: 'Close',
      noWasm: 'This simulation needs a browser with WebAssembly; this browser has none.',
      failed: 'The simulation could not be loaded: ',
      table: 'Show as table',
      tableTitle: 'The charts as a table',
      trace: 'Trace',
      bit: 'Bit %1',
      nothing: 'nothing',
      sends: 'Channel %1 sends %2: %3.',
      composite: 'The composite signal, the sum of both spread signals, over %1 chips: %2 at +2, %3 at 0, %4 at -2.',
      tuned: 'The receiver with channel number %1 follows channel %2 and recovers %3: %4, %5.',
      untuned: 'The receiver with channel number %1 matches no channel and recovers %3: %4, %5.',
      correct: 'received correctly',
      wrong: 'a transmission error',
      traces: {
        A: 'Data of channel 1', B: 'Chips of channel 1 (sequence A)', C: 'Spread signal of channel 1, A XOR B',
        D: 'Data of channel 2', E: 'Chips of channel 2 (sequence B)', F: 'Spread signal of channel 2, D XOR E',
        G: 'Composite signal, C + F', H: 'Chips of the receiver', I: 'Despread signal, G × H',
        J: 'Negative integral of I over each bit', K: 'Recovered bits',
      },
    },
    de: {
      link: 'Link zur Einstellung',
      linkCopied: 'Link zur Einstellung, kopiert: ',
      linkShown: 'Link zur Einstellung: ',
      ignoredAddress: 'In der Adresse ignoriert: ',
      ignoredMessage: 'In einer Nachricht ignoriert: ',
      close: 'Schließen',
      noWasm: 'Diese Simulation braucht einen Browser mit WebAssembly; dieser Browser hat keins.',
      failed: 'Die Simulation konnte nicht geladen werden: ',
      table: 'Als Tabelle zeigen',
      tableTitle: 'Die Diagramme als Tabelle',
      trace: 'Kurve',
      bit: 'Bit %1',
      nothing: 'nichts',
      sends: 'Kanal %1 sendet %2: %3.',
      composite: 'Das Summensignal, die Summe beider gespreizten Signale, über %1 Chips: %2-mal +2, %3-mal 0, %4-mal -2.',
      tuned: 'Der Empfänger mit der Kanal-Nr. %1 folgt Kanal %2 und empfängt %3: %4, %5.',
      untuned: 'Der Empfänger mit der Kanal-Nr. %1 passt zu keinem Kanal und empfängt %3: %4, %5.',
      correct: 'richtig empfangen',
      wrong: 'ein Übertragungsfehler',
      traces: {
        A: 'Daten von Kanal 1', B: 'Chips von Kanal 1 (Folge A)', C: 'Gespreiztes Signal von Kanal 1, A XOR B',
        D: 'Daten von Kanal 2', E: 'Chips von Kanal 2 (Folge B)', F: 'Gespreiztes Signal von Kanal 2, D XOR E',
        G: 'Summensignal, C + F', H: 'Chips des Empfängers', I: 'Entspreiztes Signal, G × H',
        J: 'Negatives Integral von I über jedes Bit', K: 'Empfangene Bits',
      },
    },
  };

  const $ = (id) => document.getElementById(id);
  const form = $('form');
  const fields = {
    keyA: $('keyA'), keyB: $('keyB'), keyRx: $('keyRx'), charA: $('charA'), charB: $('charB'),
  };
  const spread = $('spread');
  const explain = $('explain');
  const explanations = $('explanations');
  const aboutBox = $('aboutBox');
  const wideQuery = window.matchMedia('(min-width: ' + WideWidth + 'px)');

  let mod = null; // the WebAssembly module
  // The spreading factor's range, from the module's table of inputs.
  let spreadLow = 2;
  let spreadHigh = 20;

  // Everything the page shows, changed by events and drawn by frame(); the inputs' defaults come
  // from the module's table of inputs once it is loaded.
  const state = {
    inputs: { a: '', b: '', keyA: '', keyB: '', keyRx: '', sf: 0, labels: false },
    lang: 'en',
    table: false,        // "Show as table" is down
    result: null,        // the last run the model computed
    ranWith: null,       // its inputs
    runs: 0,             // how many runs the model computed
    error: '',           // the last run's error, while it stands
    notice: null,        // {text, link}: values ignored, or the link to this set-up
    layout: { wide: true, width: 0, ratio: 1 },
    drawnLayout: null,
    answers: [],         // the ids of the parent's messages that the next result answers
    run: true,           // the inputs changed since the last run
    texts: true,         // the language changed
    drawn: false,        // the first picture is drawn
    ready: false,        // and the rest of the page is done
  };
  const lastValid = { keyA: '', keyB: '', keyRx: '' }; // the key fields' last accepted texts
  const shown = { charA: '', charB: '' };              // what the character fields showed last

  // The fields as fresh ones hold them, and the spreading factor's range, as the module's table
  // of inputs gives them.
  function takeInputTable() {
    const ids = { a: 'charA', b: 'charB', keyA: 'keyA', keyB: 'keyB', keyRx: 'keyRx' };
    for (const row of mod.inputTable()) {
      if (row.name === 'sf') {
        spreadLow = row.low;
        spreadHigh = row.high;
        state.inputs.sf = Number(row.defaultText);
        spread.setAttribute('aria-valuemin', String(row.low));
        spread.setAttribute('aria-valuemax', String(row.high));
      } else if (ids[row.name]) {
        const id = ids[row.name];
        state.inputs[row.name] = row.defaultText;
        fields[id].value = row.defaultText;
        if (id in lastValid)
          lastValid[id] = row.defaultText;
        else
          shown[id] = row.defaultText;
      }
    }
  }

  // ---------------------------------------------------------------------------------------
  // Frames: every change asks for one; a frame runs the model and draws what changed. A frame
  // that the browser does not give (a hidden or throttled frame) comes by timer instead: one
  // timer at a time, left running past the frames that came, since making a timer is among the
  // dearest calls an edit would make.

  let scheduled = 0;
  let fallback = 0;
  function schedule() {
    if (scheduled || !mod)
      return;
    scheduled = requestAnimationFrame(frame);
    if (!fallback)
      fallback = setTimeout(frameByTimer, 100);
  }

  function frameByTimer() {
    fallback = 0;
    if (scheduled)
      frame();
  }

  function frame() {
    cancelAnimationFrame(scheduled);
    scheduled = 0;
    if (!sameLayout(state.layout, state.drawnLayout)) {
      layoutCharts();
      state.run = true;
    }
    if (state.texts) {
      translatePage();
      state.texts = false;
    }
    if (state.run) {
      state.run = false;
      runModel();
    }
    draw();
    if (!state.drawn)
      firstPicture();
    postSize();
  }

  function runModel() {
    const now = Object.assign({}, state.inputs);
    const result = mod.update(now);
    const answers = state.answers.splice(0);
    if (result instanceof Error) {
      // As the desktop's error report: the message; the previous picture stays.
      state.error = result.message;
      postResult({ ok: false, error: result.message }, now, answers);
      return;
    }
    state.error = '';
    state.result = result;
    state.ranWith = now;
    state.runs += 1;
    postResult({ received: result.received, code: result.code, ok: result.ok, channel: result.channel }, now, answers);
  }

  // ---------------------------------------------------------------------------------------
  // Language

  function browserLanguage() {
    const list = navigator.languages && navigator.languages.length ? navigator.languages : [navigator.language || ''];
    for (const tag of list) {
      const primary = String(tag).toLowerCase().split('-')[0];
      if (Languages.includes(primary))
        return primary;
    }
    return 'en';
  }

  function page(name, params) {
    const text = PageTexts[state.lang][name];
    return params ? text.replace(/%(\d)/g, (m, n) => params[Number(n) - 1]) : text;
  }

  // The text of a key; a key without an entry stands for itself.
  function T(key, params) {
    return mod.translate(key, params || []);
  }

  // A caption as stored: "BF_" marks a translation key.
  function caption(stored) {
    return stored.startsWith('BF_') ? T(stored.slice(3)) : stored;
  }

  // An address the About box may open: only web addresses; the untranslated key is none.
  function webAddress(text) {
    try {
      const url = new URL(text.trim());
      return url.protocol === 'https:' || url.protocol === 'http:' ? url.href : null;
    } catch (e) {
      return null;
    }
  }

  // Only what differs is written: the page as sent is in English. Before the first picture only
  // the texts on the screen; the names, the explanations and the About box come after it.
  function translatePage() {
    document.documentElement.lang = state.lang;
    for (const el of document.querySelectorAll('[data-key]'))
      setText(el, caption(el.dataset.key));
    setText($('link'), page('link'));
    setText($('table'), page('table'));
    setText($('altTitle'), page('tableTitle'));
    if (state.ready)
      translateUnseen();
  }

  function translateUnseen() {
    for (const el of document.querySelectorAll('[data-label]'))
      setAttribute(el, 'aria-label', caption(el.dataset.label));
    for (const el of document.querySelectorAll('[data-page="close"]'))
      setAttribute(el, 'aria-label', page('close'));
    setText($('MMExplain'), [caption('BF_MMExplain1'), '', caption('BF_MMExplain2')].join('\n'));

    const about = mod.aboutTexts(T('$dlglanguage$'));
    $('LblName').textContent = about.name;
    $('LblVersion').textContent = about.version;
    $('LblCopyright').textContent = about.copyright;
    $('LblWebSite').textContent = about.webSite;
    $('LblDescription').textContent = about.description;
    $('LblSimus').href = about.simulations;
    $('LblSimus').textContent = about.simulations;
    const home = $('LblHomePage');
    const address = webAddress(T('HomePageURL'));
    if (address) {
      home.href = address;
      home.removeAttribute('aria-disabled');
      home.removeAttribute('tabindex');
    } else {
      // As on the desktop, a link to nowhere does nothing.
      home.removeAttribute('href');
      home.setAttribute('aria-disabled', 'true');
      home.setAttribute('tabindex', '0');
    }
  }

  // The bytes of a language file; none when it cannot be had, and the page then shows the
  // built-in English, as the desktop does without its file.
  async function fetchLanguage(language) {
    try {
      const response = await fetch('dscdma.' + language + '.itl');
      if (response.ok)
        return new Uint8Array(await response.arrayBuffer());
    } catch (e) {
      // as without a file
    }
    return new Uint8Array(0);
  }

  async function loadLanguage(wanted, pending) {
    state.lang = Languages.includes(wanted) ? wanted : 'en';
    // The module's charts are made anew with the language: laid out again, drawn whole.
    mod.loadLanguage(await (pending || fetchLanguage(state.lang)));
    state.drawnLayout = null;
    state.texts = true;
    state.run = true;
    schedule();
  }

  // ---------------------------------------------------------------------------------------
  // Drawing the state

  // A character as a screen reader is given it: by its code where it would not be spoken.
  function spokenCharacter(text, code) {
    if (!text)
      return page('nothing');
    return mod.spokenByCode(code) ? T('character code <%1%>', [String(code)]) : text;
  }

  function setText(el, text) {
    if (el.textContent !== text)
      el.textContent = text;
  }

  function setAttribute(el, name, value) {
    if (el.getAttribute(name) !== value)
      el.setAttribute(name, value);
  }

  function setHidden(el, hidden) {
    if (el.hidden !== hidden)
      el.hidden = hidden;
  }

  function draw() {
    const r = state.result;
    if (r) {
      const received = $('received');
      setText(received, r.shown);
      received.classList.toggle('wrong', !r.ok);
      setText($('verdict'), r.ok ? '' : T('Transmission Error'));
    }
    drawNotice();
    drawSpread();
    setAttribute(explain, 'aria-pressed', String(state.inputs.labels));
    setHidden(explanations, !state.inputs.labels);
    setAttribute($('table'), 'aria-pressed', String(state.table));
    setHidden($('alt'), !state.table);
    spokenLater();
    if (state.table)
      drawTable();
  }

  let drawnNotice = null;
  function drawNotice() {
    const notice = $('notice');
    const wanted = state.error ? { text: state.error, link: '' } : (state.notice || { text: '', link: '' });
    if (drawnNotice && drawnNotice.text === wanted.text && drawnNotice.link === wanted.link)
      return;
    drawnNotice = wanted;
    notice.replaceChildren(wanted.text);
    if (wanted.link) {
      const a = document.createElement('a');
      a.href = wanted.link;
      a.textContent = wanted.link;
      notice.append(a);
      // Selected, to copy by hand where the browser gives no clipboard.
      const range = document.createRange();
      range.selectNodeContents(a);
      const selection = window.getSelection();
      selection.removeAllRanges();
      selection.addRange(range);
    }
    notice.hidden = !wanted.text && !wanted.link;
  }

  // The thumb's place is the style sheet's, from the value's share of the range: nothing on the
  // page is measured while it is drawn.
  function drawSpread() {
    const value = state.inputs.sf;
    setAttribute(spread, 'aria-valuenow', String(value));
    setAttribute(spread, 'aria-valuetext', String(value));
    setText($('gain'), String(value));
    const at = String((value - spreadLow) / (spreadHigh - spreadLow));
    if (spread.style.getPropertyValue('--at') !== at)
      spread.style.setProperty('--at', at);
  }

  function bitsOf(traces, letter) {
    const trace = traces.find((t) => t.letter === letter);
    return trace ? trace.values.map((v) => (v > 0 ? '1' : '0')).join(' ') : '';
  }

  // The byte a data trace carries, least significant bit first.
  function byteOf(traces, letter) {
    const trace = traces.find((t) => t.letter === letter);
    return trace ? trace.values.reduce((byte, v, bit) => byte | (v > 0 ? 1 << bit : 0), 0) : 0;
  }

  // What only a screen reader reads, the charts' sentences and the received character as spoken,
  // is written once the frame is painted and the page is idle (within 100 ms): an edit's frame
  // holds only what is seen, and a text changed in it costs the frame a layout of its own.
  let spokenDue = false;
  let drawnSpoken = { runs: -1, lang: '' };

  // Whether what was drawn for {runs, lang} shows the last run in the page's language.
  function showsLastRun(drawn) {
    return drawn.runs === state.runs && drawn.lang === state.lang;
  }

  function spokenLater() {
    if (spokenDue || showsLastRun(drawnSpoken))
      return;
    spokenDue = true;
    if (window.requestIdleCallback)
      requestIdleCallback(drawSpoken, { timeout: 100 });
    else
      setTimeout(drawSpoken, 0);
  }

  // One sentence per chart, which describes it to a screen reader at all times, and the received
  // character, which the live region announces.
  function drawSpoken() {
    spokenDue = false;
    const r = state.result;
    if (!r || showsLastRun(drawnSpoken))
      return;
    drawnSpoken = { runs: state.runs, lang: state.lang };
    setText($('receivedSpoken'), r.spoken);
    const traces = mod.traces('ADGK');
    const inputs = state.ranWith;
    setText($('sRca'), page('sends', ['1', spokenCharacter(inputs.a, byteOf(traces, 'A')), bitsOf(traces, 'A')]));
    setText($('sRcb'), page('sends', ['2', spokenCharacter(inputs.b, byteOf(traces, 'D')), bitsOf(traces, 'D')]));
    const g = traces.find((t) => t.letter === 'G').values;
    const count = (v) => String(g.filter((x) => x === v).length);
    setText($('sRcc'), page('composite', [String(g.length), count(2), count(0), count(-2)]));
    const verdict = page(r.ok ? 'correct' : 'wrong');
    const received = spokenCharacter(r.received, r.code);
    setText($('sRcd'), r.channel === '-'
      ? page('untuned', [inputs.keyRx, '', received, bitsOf(traces, 'K'), verdict])
      : page('tuned', [inputs.keyRx, r.channel, received, bitsOf(traces, 'K'), verdict]));
  }

  let drawnTable = { runs: -1, lang: '' };
  function drawTable() {
    if (showsLastRun(drawnTable))
      return;
    drawnTable = { runs: state.runs, lang: state.lang };
    const traces = mod.traces('');
    const table = $('traces');
    const head = document.createElement('thead');
    const row = head.insertRow();
    const th = (parent, text, scope) => {
      const cell = document.createElement('th');
      cell.scope = scope;
      cell.textContent = text;
      parent.append(cell);
      return cell;
    };
    th(row, page('trace'), 'col');
    for (let bit = 1; bit <= 8; ++bit)
      th(row, page('bit', [String(bit)]), 'col');
    const bodies = [];
    for (let chart = 0; chart < 4; ++chart) {
      const body = document.createElement('tbody');
      const group = body.insertRow();
      th(group, $(ChartIds[chart]).getAttribute('aria-label'), 'rowgroup').colSpan = 9;
      for (const trace of traces.filter((t) => t.chart === chart)) {
        const tr = body.insertRow();
        th(tr, trace.letter + ': ' + page('traces')[trace.letter], 'row');
        const per = trace.perBit ? 1 : trace.values.length / 8;
        for (let bit = 0; bit < 8; ++bit)
          tr.insertCell().textContent = trace.values.slice(bit * per, (bit + 1) * per).join(' ');
      }
      bodies.push(body);
    }
    table.replaceChildren(head, ...bodies);
  }

  // ---------------------------------------------------------------------------------------
  // Layout: the desktop window's charts, or the charts laid out again at the narrow width

  function measureLayout() {
    const wide = wideQuery.matches;
    state.layout = {
      wide,
      width: wide ? 0 : Math.floor($('charts').clientWidth),
      ratio: window.devicePixelRatio || 1,
    };
    schedule();
  }

  function sameLayout(a, b) {
    return !!b && a.wide === b.wide && a.width === b.width && a.ratio === b.ratio;
  }

  function layoutCharts() {
    const l = state.layout;
    const sizes = StoredHeights.map((h) => (l.wide || l.width <= 0 ? null : [l.width, h]));
    const taken = mod.layout(sizes, l.wide ? 0 : MinimumText);
    ChartIds.forEach((id, i) => {
      const canvas = $(id);
      canvas.style.width = l.wide ? '' : taken[i][0] + 'px';
      canvas.style.height = l.wide ? '' : taken[i][1] + 'px';
    });
    state.drawnLayout = Object.assign({}, l);
  }

  // ---------------------------------------------------------------------------------------
  // Key and character fields

  function keyIndex(id) {
    return KeyFields.indexOf(id);
  }

  function setInput(name, value) {
    state.inputs[name] = value;
    state.run = true;
    schedule();
  }

  function onKeyInput(event) {
    const field = event.target;
    const id = field.id;
    // The module counts characters, the browser UTF-16 units.
    const caret = Array.from(field.value.slice(0, field.selectionStart || 0)).length;
    const check = mod.checkKey(keyIndex(id), field.value, caret, lastValid[id]);
    if (check.accepted) {
      lastValid[id] = field.value;
      setInput(id, field.value);
      return;
    }
    // Refused: the field goes back to its last text, the caret one to the left.
    field.value = check.text;
    const at = Array.from(check.text).slice(0, check.caret).join('').length;
    field.setSelectionRange(at, at);
  }

  // A character field always holds the one character last typed, as on the desktop; typing
  // the character it already shows changes nothing.
  function setCharacter(field, text) {
    if (shown[field.id] === text && field.value === text)
      return;
    showCharacter(field, text);
    setInput(field.id === 'charA' ? 'a' : 'b', text);
  }

  function showCharacter(field, text) {
    shown[field.id] = text;
    field.value = text;
    // The caret goes before the character, so that Delete then empties the field.
    if (document.activeElement === field)
      field.setSelectionRange(0, 0);
  }

  function firstCharacter(text) {
    return mod.typedCharacter(String(text));
  }

  function onCharBeforeInput(event) {
    const field = event.target;
    switch (event.inputType) {
    case 'insertText':
    case 'insertReplacementText':
    case 'insertFromPaste':
    case 'insertFromDrop':
      event.preventDefault();
      if (event.data)
        setCharacter(field, firstCharacter(event.data));
      else if (event.dataTransfer)
        setCharacter(field, firstCharacter(event.dataTransfer.getData('text/plain')));
      return;
    case 'deleteContentBackward':
      // Backspace types the character with code 8.
      event.preventDefault();
      setCharacter(field, '\b');
      return;
    case 'insertCompositionText':
      return; // settled at compositionend
    default:
      if (event.inputType.startsWith('delete')) {
        event.preventDefault();
        setCharacter(field, '');
      } else if (event.cancelable) {
        event.preventDefault();
      }
    }
  }

  // Whatever reached the field past beforeinput (a finished composition, autofill): the
  // character that came in.
  function onCharInput(event) {
    const field = event.target;
    if (event.isComposing)
      return;
    const previous = shown[field.id];
    let value = field.value;
    if (previous && value.startsWith(previous))
      value = value.slice(previous.length);
    else if (previous && value.endsWith(previous))
      value = value.slice(0, value.length - previous.length);
    field.value = previous;
    setCharacter(field, value ? firstCharacter(value) : '');
  }

  function onCharKeyDown(event) {
    if (event.key === 'Escape' && !event.ctrlKey && !event.altKey && !event.metaKey) {
      // Escape types its character here, as on the desktop; it does not reach the page.
      event.preventDefault();
      event.stopPropagation();
      setCharacter(event.target, '\x1b');
    }
  }

  // ---------------------------------------------------------------------------------------
  // The spreading factor

  function setSpread(value) {
    value = Math.min(spreadHigh, Math.max(spreadLow, value));
    if (value !== state.inputs.sf)
      setInput('sf', value);
  }

  function onSpreadKey(event) {
    if (event.ctrlKey || event.altKey || event.metaKey || event.shiftKey)
      return;
    // As an ARIA slider: Right and Up add, Left and Down take away; the page keys move by one,
    // the desktop scroll bar's page.
    const sf = state.inputs.sf;
    const moves = {
      ArrowRight: sf + 1, ArrowUp: sf + 1, PageUp: sf + 1,
      ArrowLeft: sf - 1, ArrowDown: sf - 1, PageDown: sf - 1,
      Home: spreadLow, End: spreadHigh,
    };
    if (!(event.key in moves))
      return;
    event.preventDefault();
    setSpread(moves[event.key]);
  }

  // A held arrow or trough repeats, as a scroll bar does.
  let repeat = null;
  function stopRepeat() {
    if (repeat) {
      clearTimeout(repeat);
      repeat = null;
    }
  }
  function repeating(step) {
    step();
    const again = () => { step(); repeat = setTimeout(again, 60); };
    repeat = setTimeout(again, 350);
  }

  function onSpreadPointerDown(event) {
    if (event.button !== 0)
      return;
    event.preventDefault();
    spread.focus();
    spread.setPointerCapture(event.pointerId);
    const target = event.target;
    const thumb = spread.querySelector('.thumb');
    if (target.classList.contains('left')) {
      repeating(() => setSpread(state.inputs.sf - 1));
    } else if (target.classList.contains('right')) {
      repeating(() => setSpread(state.inputs.sf + 1));
    } else if (target === thumb) {
      const trough = spread.querySelector('.trough');
      const startX = event.clientX;
      const startValue = state.inputs.sf;
      const room = (trough.clientWidth - thumb.offsetWidth) || 1;
      const move = (e) => setSpread(Math.round(startValue + (e.clientX - startX) / room * (spreadHigh - spreadLow)));
      const end = () => {
        spread.removeEventListener('pointermove', move);
        spread.removeEventListener('pointerup', end);
        spread.removeEventListener('pointercancel', end);
      };
      spread.addEventListener('pointermove', move);
      spread.addEventListener('pointerup', end);
      spread.addEventListener('pointercancel', end);
    } else {
      // The trough: one page (one step) towards the pointer, until the thumb is under it. The
      // thumb is placed by the next frame, so the step goes by the value it will show.
      const x = event.clientX;
      const trough = spread.querySelector('.trough').getBoundingClientRect();
      const room = (trough.width - thumb.offsetWidth) || 1;
      repeating(() => {
        const left = trough.left + (state.inputs.sf - spreadLow) / (spreadHigh - spreadLow) * room;
        if (x < left)
          setSpread(state.inputs.sf - 1);
        else if (x > left + thumb.offsetWidth)
          setSpread(state.inputs.sf + 1);
      });
    }
  }

  // ---------------------------------------------------------------------------------------
  // Explanations, the table and About

  function setLabels(down) {
    if (state.inputs.labels !== down)
      setInput('labels', down);
  }

  // Closing the panel releases the button, as the desktop's explanations window does.
  function closeExplanations() {
    if (!state.inputs.labels)
      return;
    const inside = explanations.contains(document.activeElement);
    setLabels(false);
    if (inside)
      explain.focus();
  }

  function moveByTitleBar(box, bar) {
    bar.addEventListener('pointerdown', (event) => {
      // Only the floating window of the wide layout moves; the narrow one is part of the page.
      if (event.button !== 0 || event.target.closest('button') || !wideQuery.matches)
        return;
      event.preventDefault();
      bar.setPointerCapture(event.pointerId);
      const startX = event.clientX;
      const startY = event.clientY;
      const left = box.offsetLeft;
      const top = box.offsetTop;
      // Kept where its title bar can be reached again.
      const maxLeft = form.clientWidth - 48;
      const maxTop = form.clientHeight - (bar.getBoundingClientRect().bottom - box.getBoundingClientRect().top);
      const move = (e) => {
        box.style.left = Math.round(Math.min(maxLeft, Math.max(48 - box.offsetWidth, left + e.clientX - startX))) + 'px';
        box.style.top = Math.round(Math.min(maxTop, Math.max(0, top + e.clientY - startY))) + 'px';
      };
      const end = () => {
        bar.removeEventListener('pointermove', move);
        bar.removeEventListener('pointerup', end);
        bar.removeEventListener('pointercancel', end);
      };
      bar.addEventListener('pointermove', move);
      bar.addEventListener('pointerup', end);
      bar.addEventListener('pointercancel', end);
    });
  }

  function wireAbout() {
    const home = $('LblHomePage');
    const simus = $('LblSimus');
    // The link under the mouse turns red; only the bare panel turns both blue again.
    home.addEventListener('mousemove', () => home.classList.add('hot'));
    simus.addEventListener('mousemove', () => simus.classList.add('hot'));
    $('Panel2').addEventListener('mousemove', (event) => {
      if (event.target === event.currentTarget) {
        home.classList.remove('hot');
        simus.classList.remove('hot');
      }
    });
    home.addEventListener('keydown', (event) => {
      if (event.key === ' ' && home.href) {
        event.preventDefault();
        home.click();
      }
    });
    $('about').addEventListener('click', () => {
      aboutBox.showModal();
      // OK has the focus, so that Return closes the box as shown.
      $('BButOK').focus();
    });
    $('BButOK').addEventListener('click', () => aboutBox.close());
    aboutBox.querySelector('.close').addEventListener('click', () => aboutBox.close());
    aboutBox.addEventListener('close', () => $('about').focus());
  }

  // ---------------------------------------------------------------------------------------
  // Address, link and embedding

  function tooLong(value) {
    const text = String(value);
    return text.length > 24 ? text.slice(0, 24) + '…' : text;
  }

  // Applies the named settings that the controls would take; returns the names refused.
  // Values come from the address or from a parent page, and may be anything.
  function applySettings(get) {
    const refused = [];
    const refuse = (name, value) => refused.push(name + '=' + tooLong(value));
    const text = (value) => (typeof value === 'string' || typeof value === 'number') ? String(value) : null;

    for (const [name, id] of [['a', 'charA'], ['b', 'charB']]) {
      const value = get(name);
      if (value === undefined)
        continue;
      const t = text(value);
      // A field holds one character: more is refused; one outside the code page becomes '?'.
      if (t === null || Array.from(t).length > 1) {
        refuse(name, value);
        continue;
      }
      const c = t ? firstCharacter(t) : '';
      showCharacter(fields[id], c);
      state.inputs[name] = c;
    }
    for (const id of KeyFields) {
      const value = get(id);
      if (value === undefined)
        continue;
      const t = text(value);
      if (t === null || !mod.checkKey(keyIndex(id), t, Array.from(t).length, lastValid[id]).accepted) {
        refuse(id, value);
        continue;
      }
      fields[id].value = t;
      lastValid[id] = t;
      state.inputs[id] = t;
    }
    const sf = get('sf');
    if (sf !== undefined) {
      const t = text(sf);
      const n = t === null ? null : mod.checkInput('sf', t);
      if (typeof n === 'number')
        state.inputs.sf = n;
      else
        refuse('sf', sf);
    }
    const l = get('labels');
    if (l !== undefined) {
      const t = typeof l === 'boolean' ? (l ? '1' : '0') : text(l);
      if (t === '0' || t === '1')
        state.inputs.labels = t === '1';
      else
        refuse('labels', l);
    }
    const g = get('lang');
    let language = null;
    if (g !== undefined) {
      const t = text(g);
      if (t !== null && Languages.includes(t))
        language = t;
      else
        refuse('lang', g);
    }
    state.run = true;
    schedule();
    return { refused, language };
  }

  function reportIgnored(prefix, refused) {
    state.notice = { text: refused.length ? prefix + refused.join(', ') : '', link: '' };
    schedule();
  }

  function setupLink() {
    const params = new URLSearchParams();
    const now = state.inputs;
    params.set('a', now.a);
    params.set('b', now.b);
    params.set('keyA', now.keyA);
    params.set('keyB', now.keyB);
    params.set('keyRx', now.keyRx);
    params.set('sf', String(now.sf));
    params.set('labels', now.labels ? '1' : '0');
    params.set('lang', state.lang);
    return location.origin + location.pathname + '?' + params.toString();
  }

  async function onLinkClick() {
    const address = setupLink();
    let copied = false;
    try {
      if (navigator.clipboard && window.isSecureContext) {
        await navigator.clipboard.writeText(address);
        copied = true;
      }
    } catch (e) {
      copied = false; // no clipboard here: the link is shown to copy by hand
    }
    state.notice = { text: page(copied ? 'linkCopied' : 'linkShown'), link: address };
    schedule();
  }

  const inFrame = window.parent !== window;
  const parentOrigin = (function () {
    try {
      if (location.ancestorOrigins && location.ancestorOrigins.length)
        return location.ancestorOrigins[0];
      if (document.referrer)
        return new URL(document.referrer).origin;
    } catch (e) {
      // No origin known: the results go out to any parent, requests come from the parent only.
    }
    return null;
  })();
  const postTarget = parentOrigin && parentOrigin !== 'null' ? parentOrigin : '*';

  function post(message) {
    if (inFrame)
      window.parent.postMessage(message, postTarget);
  }

  // One result per message that asked (each with its id), or one for an edit of the page's own.
  function postResult(outcome, now, answers) {
    const inputs = {
      a: now.a, b: now.b, keyA: now.keyA, keyB: now.keyB, keyRx: now.keyRx, sf: now.sf,
      labels: now.labels, lang: state.lang,
    };
    const base = Object.assign({ type: 'dscdma-result' }, outcome, { inputs });
    if (!answers.length)
      answers = [undefined];
    for (const id of answers)
      post(id === undefined ? base : Object.assign({}, base, { id }));
  }

  // The size the page needs without scroll bars, in CSS pixels.
  function contentSize() {
    const frameBox = $('frame').getBoundingClientRect();
    return {
      width: Math.ceil(Math.max(frameBox.width, document.body.scrollWidth > window.innerWidth ? document.body.scrollWidth : 0)),
      height: Math.ceil(document.body.getBoundingClientRect().height),
    };
  }

  // Sizes are measured only for a parent page, which is the only one told them.
  let postedSize = null;
  function postReady() {
    if (!inFrame)
      return;
    const size = contentSize();
    postedSize = size;
    post({ type: 'dscdma-ready', version: mod.version(), width: size.width, height: size.height });
  }

  // After a frame: the size as drawn, the charts laid out again included, so that a parent
  // resizes its frame once per change.
  function postSize() {
    if (!state.ready || !inFrame)
      return;
    const size = contentSize();
    if (postedSize && postedSize.width === size.width && postedSize.height === size.height)
      return;
    postedSize = size;
    post({ type: 'dscdma-size', width: size.width, height: size.height });
  }

  const early = []; // messages that came before the module was ready
  function onMessage(event) {
    if (!inFrame || event.source !== window.parent)
      return;
    if (postTarget !== '*' && event.origin !== postTarget)
      return;
    if (!mod) {
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
    if (data.type !== 'dscdma-set')
      return;
    const own = (name) => Object.prototype.hasOwnProperty.call(data, name) ? data[name] : undefined;
    const { refused, language } = applySettings(own);
    reportIgnored(page('ignoredMessage'), refused);
    if (language && language !== state.lang) {
      await loadLanguage(language);
      reportIgnored(page('ignoredMessage'), refused);
    }
    // Answered by the first run that shows all of it, the language included.
    state.answers.push(own('id'));
    state.run = true;
    schedule();
  }

  // ---------------------------------------------------------------------------------------
  // Offline: the site's files kept by a service worker, unless the host turned it off

  function offline() {
    if (!('serviceWorker' in navigator) || !/^https?:$/.test(location.protocol))
      return;
    if (document.documentElement.dataset.offline === 'off') {
      navigator.serviceWorker.getRegistrations()
        .then((list) => list.forEach((r) => r.unregister()))
        .catch(() => {});
      return;
    }
    navigator.serviceWorker.register('dscdma-sw.js', { updateViaCache: 'none' }).catch(() => {
      // Without the worker the page works as before, only not offline.
    });
  }

  // ---------------------------------------------------------------------------------------
  // Start

  function noWebAssembly(text) {
    const line = $('nowasm');
    line.textContent = text;
    line.hidden = false;
    $('frame').hidden = true;
    $('notice').hidden = true;
  }

  function wire() {
    for (const id of KeyFields)
      fields[id].addEventListener('input', onKeyInput);
    for (const id of ['charA', 'charB']) {
      const field = fields[id];
      field.addEventListener('beforeinput', onCharBeforeInput);
      field.addEventListener('input', onCharInput);
      field.addEventListener('keydown', onCharKeyDown);
      field.addEventListener('compositionend', onCharInput);
    }
    spread.addEventListener('keydown', onSpreadKey);
    spread.addEventListener('pointerdown', onSpreadPointerDown);
    spread.addEventListener('pointerup', stopRepeat);
    spread.addEventListener('pointercancel', stopRepeat);
    spread.addEventListener('lostpointercapture', stopRepeat);

    // Clicking the explanations button leaves the focus where the user was typing.
    explain.addEventListener('mousedown', (event) => event.preventDefault());
    explain.addEventListener('click', () => setLabels(!state.inputs.labels));
    explanations.querySelector('.close').addEventListener('click', closeExplanations);
    document.addEventListener('keydown', (event) => {
      if (event.key === 'Escape' && !event.defaultPrevented && !aboutBox.open)
        closeExplanations();
    });
    moveByTitleBar(explanations, explanations.querySelector('.titlebar'));
    $('table').addEventListener('click', () => {
      state.table = !state.table;
      schedule();
    });
    wireAbout();
    $('link').addEventListener('click', onLinkClick);
    wideQuery.addEventListener('change', measureLayout);
    window.addEventListener('resize', measureLayout);
    new ResizeObserver(measureLayout).observe($('charts'));
    new ResizeObserver(schedule).observe(document.body);
    // A context that the browser lost (its graphics process restarted) comes back empty, and the
    // charts drawn before would stay blank: all are laid out and drawn again.
    for (const id of ChartIds) {
      surfaces[id].addEventListener('contextrestored', () => {
        state.drawnLayout = null;
        schedule();
      });
    }
  }

  // The module as the page's head started to compile it, or, where the host let no script run
  // in the head, as the loader fetches it.
  function moduleOptions(boot, measureContext) {
    // The module measures texts on a canvas of its own, or on the one given.
    const options = { canvases: ChartIds.map((id) => surfaces[id]), measureContext };
    if (boot.module) {
      options.instantiateWasm = (imports, done) => {
        boot.module.then((compiled) => WebAssembly.instantiate(compiled, imports)
          .then((instance) => done(instance, compiled)));
        return {};
      };
    }
    return options;
  }

  // In Chromium (this vendor in every browser built on it) each chart draws on an offscreen canvas
  // that its element shows: Chromium then sends the screen only the charts drawn in a frame, where
  // it sends the page's own canvases again, all four, with every frame that changes anything on
  // the page. Not in the other browsers: Firefox was measured to gain nothing; WebKit was not.
  const offscreen = navigator.vendor === 'Google Inc.' &&
    typeof OffscreenCanvasRenderingContext2D === 'function' &&
    typeof HTMLCanvasElement.prototype.transferControlToOffscreen === 'function';
  const surfaces = {}; // what each chart draws on, by the id of its element

  // While the module comes: the charts' canvases get the contexts that the module draws with
  // (the same options, or the module would get none), filled with the button face rather than
  // black, and the canvas that the module measures texts on has the charts' font ready, which
  // the browser otherwise prepares at the first text the module measures.
  function prepareCanvases(face) {
    for (const id of ChartIds) {
      const canvas = surfaces[id] = offscreen ? $(id).transferControlToOffscreen() : $(id);
      const g = canvas.getContext('2d', { alpha: false });
      g.fillStyle = face;
      g.fillRect(0, 0, canvas.width, canvas.height);
    }
    const g = document.createElement('canvas').getContext('2d');
    g.font = (wideQuery.matches ? 11 : MinimumText) + 'px ' + ChartFontFamily;
    const sample = 'Channel 0123456789 ABCDEFGHIJK +-';
    g.measureText(sample);
    g.fillText(sample, 0, 20);
    return g;
  }

  // The layout in which the module makes its charts: the stored sizes on this screen.
  function storedLayout() {
    return { wide: true, width: 0, ratio: window.devicePixelRatio || 1 };
  }

  // The picture is drawn; what it does not show follows once it is on the screen (after the
  // frame that shows it, or by timer where the browser gives no frame).
  function firstPicture() {
    state.drawn = true;
    performance.mark('dscdma-first-picture');
    let settled = false;
    const settle = () => {
      if (settled)
        return;
      settled = true;
      translateUnseen();
      drawSpoken();
      state.ready = true;
      // Loaded and usable, also when the first run failed (a receiver key too large to round).
      document.documentElement.dataset.state = 'ready';
      postReady();
      offline();
    };
    requestAnimationFrame(() => setTimeout(settle, 0));
    setTimeout(settle, 100);
  }

  async function start() {
    window.addEventListener('message', onMessage);
    const query = new URLSearchParams(location.search);
    const wanted = query.get('lang');
    const boot = window.dscdmaBoot || {};
    state.lang = boot.lang || (Languages.includes(wanted) ? wanted : browserLanguage());
    if (typeof WebAssembly !== 'object' || typeof createDscdma !== 'function') {
      noWebAssembly(page('noWasm'));
      return;
    }
    // The language file comes while the module compiles.
    const language = boot.language || fetchLanguage(state.lang);
    const face = getComputedStyle(document.documentElement).getPropertyValue('--face').trim();
    const measureContext = prepareCanvases(face);
    measureLayout();
    try {
      if (boot.module)
        await boot.module; // a failure to fetch or compile is told here
      mod = await createDscdma(moduleOptions(boot, measureContext));
    } catch (e) {
      noWebAssembly(page('failed') + (e && e.message ? e.message : String(e)));
      return;
    }
    // Around the charts, the page shows the button face that they are drawn with.
    const charts = mod.systemColor(ButtonFace);
    if (charts !== face)
      document.documentElement.style.setProperty('--face', charts);
    takeInputTable();
    await loadLanguage(state.lang, language);
    state.drawnLayout = storedLayout();
    wire();
    const { refused } = applySettings((name) => query.has(name) ? query.get(name) : undefined);
    reportIgnored(page('ignoredAddress'), refused);
    for (const data of early.splice(0))
      await handleMessage(data);
    // The first picture at once rather than in the next frame: the browser shows it then anyway.
    frame();
  }

  start();
})();
