// The page around the WebAssembly module: reads the controls, asks the module to simulate and
// draw, and wires keyboard, screen reader, address and embedding. The simulation, the key-field
// rules, the character conversion, the language files and the chart drawing are the module's.
'use strict';

(function () {
  const Width = 931;
  const Height = 709;
  const MinSpread = 2;
  const MaxSpread = 20;
  const KeyFields = ['keyA', 'keyB', 'keyRx']; // the module's field numbers, in this order
  const ChartIds = ['rca', 'rcb', 'rcc', 'rcd'];
  const Languages = ['en', 'de'];
  const ButtonFace = 15; // the system colour index

  // The page's own texts, which the desktop window has no keys for.
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

  let mod = null;         // the WebAssembly module
  let lang = 'en';
  let labels = false;     // the explanations button is down
  let spreadValue = 8;
  const lastValid = { keyA: '23', keyB: '44', keyRx: '23' };
  const shown = { charA: 'Z', charB: 'W' }; // what the character fields showed last
  let lastSpoken = '';
  let lastIgnored = '';
  let firstPicture = false;
  let failed = false;     // the notice shows the last run's error

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

  function page(name) {
    return PageTexts[lang][name];
  }

  // The text of a key; a key without an entry stands for itself.
  function T(key, params) {
    return mod.translate(key, params || []);
  }

  // A caption as stored: "BF_" marks a translation key.
  function caption(stored) {
    return stored.startsWith('BF_') ? T(stored.slice(3)) : stored;
  }

  function lowerAscii(text) {
    return text.replace(/[A-Z]/g, (c) => c.toLowerCase());
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

  function translatePage() {
    document.documentElement.lang = lang;
    for (const el of document.querySelectorAll('[data-key]'))
      el.textContent = caption(el.dataset.key);
    for (const el of document.querySelectorAll('[data-label]'))
      el.setAttribute('aria-label', caption(el.dataset.label));
    $('link').textContent = page('link');
    for (const el of document.querySelectorAll('[data-page="close"]'))
      el.setAttribute('aria-label', page('close'));
    $('MMExplain').textContent = [caption('BF_MMExplain1'), '', caption('BF_MMExplain2')].join('\n');

    const german = lowerAscii(T('$dlglanguage$')) === 'lggerman';
    $('LblWebSite').textContent = german
      ? 'Mehr Informationen finden Sie auf folgenden Webseiten:'
      : 'More information can be found at the following Web sites:';
    $('LblDescription').textContent = german
      ? 'Dieses Programm zeigt die Funktion von DS-CDMA, wurde vom DS-CDMA-Team als interaktives Beispiel ' +
        'entwickelt und wird in verschiedenen interaktiven elektronischen Lehrbüchern eingesetzt.'
      : 'This program shows the principles of DS-CDMA. It is an interactive example developed by the ' +
        'DS-CDMA team. It is used in various electronic textbooks.';
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
    lang = Languages.includes(wanted) ? wanted : 'en';
    mod.loadLanguage(await (pending || fetchLanguage(lang)));
    translatePage();
  }

  // ---------------------------------------------------------------------------------------
  // The simulation

  function inputs() {
    return {
      a: fields.charA.value, b: fields.charB.value,
      keyA: fields.keyA.value, keyB: fields.keyB.value, keyRx: fields.keyRx.value,
      sf: spreadValue, labels: labels,
    };
  }

  function spokenCharacter(received, code) {
    return /^[^\p{C}\p{Z}]$/u.test(received) ? received : T('character code <%1%>', [String(code)]);
  }

  function showNotice(text, node) {
    const notice = $('notice');
    notice.replaceChildren(text);
    if (node)
      notice.append(node);
    notice.hidden = !text && !node;
  }

  function update() {
    const now = inputs();
    const result = mod.update(now);
    if (result instanceof Error) {
      // As the desktop's error report: the message, the previous picture stays.
      showNotice(result.message);
      failed = true;
      return;
    }
    if (failed) {
      failed = false;
      showNotice(lastIgnored);
    }
    const received = $('received');
    received.textContent = result.received;
    received.classList.toggle('wrong', !result.ok);
    $('verdict').textContent = result.ok ? '' : T('Transmission Error');
    const spoken = T('Received Character') + ': ' + spokenCharacter(result.received, result.code);
    if (spoken !== lastSpoken) {
      lastSpoken = spoken;
      $('receivedSpoken').textContent = spoken;
    }
    if (!firstPicture) {
      firstPicture = true;
      performance.mark('dscdma-first-picture');
    }
    postResult(result, now);
  }

  // ---------------------------------------------------------------------------------------
  // Key and character fields

  function keyIndex(id) {
    return KeyFields.indexOf(id);
  }

  function onKeyInput(event) {
    const field = event.target;
    const id = field.id;
    // The module counts characters, the browser UTF-16 units.
    const caret = Array.from(field.value.slice(0, field.selectionStart || 0)).length;
    const check = mod.checkKey(keyIndex(id), field.value, caret, lastValid[id]);
    if (check.accepted) {
      lastValid[id] = field.value;
      update();
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
    update();
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
      event.preventDefault();
      setCharacter(event.target, '\x1b');
    }
  }

  // ---------------------------------------------------------------------------------------
  // The spreading factor

  function setSpread(value) {
    value = Math.min(MaxSpread, Math.max(MinSpread, value));
    if (value === spreadValue)
      return;
    spreadValue = value;
    showSpread();
    update();
  }

  function showSpread() {
    spread.setAttribute('aria-valuenow', String(spreadValue));
    spread.setAttribute('aria-valuetext', String(spreadValue));
    $('gain').textContent = String(spreadValue);
    const trough = spread.querySelector('.trough');
    const thumb = spread.querySelector('.thumb');
    const room = trough.clientWidth - thumb.offsetWidth;
    thumb.style.left = Math.round((spreadValue - MinSpread) / (MaxSpread - MinSpread) * room) + 'px';
  }

  function onSpreadKey(event) {
    if (event.ctrlKey || event.altKey || event.metaKey || event.shiftKey)
      return;
    // As on the desktop: Right and Down add, Left and Up take away; the page keys move by one.
    const moves = {
      ArrowRight: spreadValue + 1, ArrowDown: spreadValue + 1, PageDown: spreadValue + 1,
      ArrowLeft: spreadValue - 1, ArrowUp: spreadValue - 1, PageUp: spreadValue - 1,
      Home: MinSpread, End: MaxSpread,
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
      repeating(() => setSpread(spreadValue - 1));
    } else if (target.classList.contains('right')) {
      repeating(() => setSpread(spreadValue + 1));
    } else if (target === thumb) {
      const trough = spread.querySelector('.trough');
      const scale = trough.getBoundingClientRect().width / trough.clientWidth || 1;
      const startX = event.clientX;
      const startValue = spreadValue;
      const room = (trough.clientWidth - thumb.offsetWidth) || 1;
      const move = (e) => {
        const dx = (e.clientX - startX) / scale;
        setSpread(Math.round(startValue + dx / room * (MaxSpread - MinSpread)));
      };
      const end = () => {
        spread.removeEventListener('pointermove', move);
        spread.removeEventListener('pointerup', end);
        spread.removeEventListener('pointercancel', end);
      };
      spread.addEventListener('pointermove', move);
      spread.addEventListener('pointerup', end);
      spread.addEventListener('pointercancel', end);
    } else {
      // The trough: one page (one step) towards the pointer, until the thumb is under it.
      const x = event.clientX;
      repeating(() => {
        const box = thumb.getBoundingClientRect();
        if (x < box.left)
          setSpread(spreadValue - 1);
        else if (x > box.right)
          setSpread(spreadValue + 1);
      });
    }
  }

  // ---------------------------------------------------------------------------------------
  // Explanations and About

  function setLabels(down) {
    labels = down;
    explain.setAttribute('aria-pressed', String(down));
  }

  function onExplainClick() {
    setLabels(!labels);
    update();
    explanations.hidden = !labels;
  }

  function moveByTitleBar(box, bar) {
    bar.addEventListener('pointerdown', (event) => {
      if (event.button !== 0 || event.target.closest('button'))
        return;
      event.preventDefault();
      bar.setPointerCapture(event.pointerId);
      const scale = form.getBoundingClientRect().width / Width || 1;
      const startX = event.clientX;
      const startY = event.clientY;
      const left = box.offsetLeft;
      const top = box.offsetTop;
      const move = (e) => {
        box.style.left = Math.round(left + (e.clientX - startX) / scale) + 'px';
        box.style.top = Math.round(top + (e.clientY - startY) / scale) + 'px';
      };
      const end = () => {
        bar.removeEventListener('pointermove', move);
        bar.removeEventListener('pointerup', end);
      };
      bar.addEventListener('pointermove', move);
      bar.addEventListener('pointerup', end);
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
      showCharacter(fields[id], t ? firstCharacter(t) : '');
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
    }
    const sf = get('sf');
    if (sf !== undefined) {
      const t = text(sf);
      const n = t !== null && /^[0-9]{1,2}$/.test(t) ? Number(t) : NaN;
      if (n >= MinSpread && n <= MaxSpread) {
        spreadValue = n;
        showSpread();
      } else {
        refuse('sf', sf);
      }
    }
    const l = get('labels');
    if (l !== undefined) {
      const t = typeof l === 'boolean' ? (l ? '1' : '0') : text(l);
      if (t === '0' || t === '1') {
        setLabels(t === '1');
        explanations.hidden = !labels;
      } else {
        refuse('labels', l);
      }
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
    return { refused, language };
  }

  function reportIgnored(prefix, refused) {
    lastIgnored = refused.length ? prefix + refused.join(', ') : '';
    showNotice(lastIgnored);
  }

  function setupLink() {
    const params = new URLSearchParams();
    const now = inputs();
    params.set('a', now.a);
    params.set('b', now.b);
    params.set('keyA', now.keyA);
    params.set('keyB', now.keyB);
    params.set('keyRx', now.keyRx);
    params.set('sf', String(now.sf));
    params.set('labels', labels ? '1' : '0');
    params.set('lang', lang);
    return location.origin + location.pathname + '?' + params.toString();
  }

  async function onLinkClick() {
    const address = setupLink();
    const field = document.createElement('input');
    field.type = 'text';
    field.readOnly = true;
    field.value = address;
    field.setAttribute('aria-label', page('link'));
    let copied = false;
    try {
      if (navigator.clipboard && window.isSecureContext) {
        await navigator.clipboard.writeText(address);
        copied = true;
      }
    } catch (e) {
      copied = false; // no clipboard here: the link is shown to copy by hand
    }
    showNotice(page(copied ? 'linkCopied' : 'linkShown'), field);
    field.select();
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

  function postResult(result, now) {
    if (!inFrame)
      return;
    window.parent.postMessage({
      type: 'dscdma-result',
      received: result.received,
      code: result.code,
      ok: result.ok,
      inputs: { a: now.a, b: now.b, keyA: now.keyA, keyB: now.keyB, keyRx: now.keyRx, sf: now.sf },
    }, postTarget);
  }

  async function onMessage(event) {
    if (!inFrame || event.source !== window.parent)
      return;
    if (postTarget !== '*' && event.origin !== postTarget)
      return;
    const data = event.data;
    if (!data || typeof data !== 'object' || Array.isArray(data) || data.type !== 'dscdma-set')
      return;
    const own = (name) => Object.prototype.hasOwnProperty.call(data, name) ? data[name] : undefined;
    const { refused, language } = applySettings(own);
    reportIgnored(page('ignoredMessage'), refused);
    if (language && language !== lang) {
      await loadLanguage(language);
      reportIgnored(page('ignoredMessage'), refused);
    }
    update();
  }

  // ---------------------------------------------------------------------------------------
  // Scaling and start

  function fit() {
    const room = document.documentElement.clientWidth;
    const scale = Math.min(1, room / Width);
    form.style.transform = scale < 1 ? 'scale(' + scale + ')' : '';
    const frame = $('frame');
    frame.style.width = Width * scale + 'px';
    frame.style.height = Height * scale + 'px';
    aboutBox.style.zoom = scale < 1 ? String(scale) : '';
  }

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
    explain.addEventListener('click', onExplainClick);
    explanations.querySelector('.close').addEventListener('click', () => { explanations.hidden = true; });
    explanations.addEventListener('keydown', (event) => {
      if (event.key === 'Escape') {
        explanations.hidden = true;
        explain.focus();
      }
    });
    moveByTitleBar(explanations, explanations.querySelector('.titlebar'));
    wireAbout();
    $('link').addEventListener('click', onLinkClick);
    window.addEventListener('message', onMessage);
    window.addEventListener('resize', fit);
  }

  async function start() {
    fit();
    const query = new URLSearchParams(location.search);
    const wanted = query.get('lang');
    lang = Languages.includes(wanted) ? wanted : browserLanguage();
    if (typeof WebAssembly !== 'object' || typeof createDscdma !== 'function') {
      noWebAssembly(page('noWasm'));
      return;
    }
    // The language file comes while the module compiles.
    const language = fetchLanguage(lang);
    try {
      mod = await createDscdma({ canvases: ChartIds.map((id) => $(id)) });
    } catch (e) {
      noWebAssembly(page('failed') + (e && e.message ? e.message : String(e)));
      return;
    }
    // Around the charts, the page shows the button face that they are drawn with.
    document.documentElement.style.setProperty('--face', mod.systemColor(ButtonFace));
    await loadLanguage(lang, language);
    wire();
    const { refused } = applySettings((name) => query.has(name) ? query.get(name) : undefined);
    reportIgnored(page('ignoredAddress'), refused);
    showSpread();
    update();
    // Loaded and usable, also when the first run failed (a receiver key too large to round).
    document.documentElement.dataset.state = 'ready';
  }

  start();
})();
