// Kurvimat's class view: the teacher's measurement, live and read-only. Points come in binary
// frames (see PointFrames.h), settings as JSON; nothing the page does goes back.
'use strict';
(function () {
  const english = (navigator.language || '').toLowerCase().startsWith('en');
  const T = english ? {
    fit: 'Whole view', data: 'Data (text)', run: 'Run', waiting: 'waiting for trigger',
    running: 'recording', held: 'stopped', offline: 'Connection lost, trying again …',
    full: 'The class is full: 60 devices are watching already. Try again later.',
    connecting: 'Connecting …', time: 'Time', decimal: '.'
  } : {
    fit: 'Gesamtansicht', data: 'Daten (Text)', run: 'Messreihe', waiting: 'wartet auf Trigger',
    running: 'nimmt auf', held: 'angehalten', offline: 'Verbindung unterbrochen, neuer Versuch …',
    full: 'Die Klasse ist voll: Es sehen schon 60 Geräte zu. Versuche es später wieder.',
    connecting: 'Verbindung wird aufgebaut …', time: 'Zeit', decimal: ','
  };
  document.documentElement.lang = english ? 'en' : 'de';

  const COLOURS = { a: '#0000f7', b: '#f70000', snap: '#a0a0a0' };
  const MAX_POINTS = 1000000;
  const MAX_COLUMNS = 64;
  const canvas = document.getElementById('plot');
  const ctx = canvas.getContext('2d');
  const readout = document.getElementById('readout');
  const status = document.getElementById('status');
  const downloads = document.getElementById('downloads');
  const fitButton = document.getElementById('fit');
  fitButton.textContent = T.fit;

  // A set's further columns: index -> { n, v }; a column may hold fewer values than the set
  // has points (a calculated one's last values come when they are settled).
  function newSet() { return { n: 0, hasB: true, t: new Float32Array(0), a: new Float32Array(0), b: new Float32Array(0), cols: new Map() }; }
  const state = { meta: null, data: newSet(), snap: newSet(), runs: new Map(), online: false };
  // The student's own view: null follows the teacher's ranges.
  let view = null;
  // The pointer: where the student pointed, in the values of the bottom, left and right axes.
  let cursor = null;
  let dirty = true;
  let dataVersion = 0; // counts changes of the data and the settings: the projection follows it

  function fmt(v) {
    if (v === null || v === undefined || !isFinite(v)) return '–';
    let s = Math.abs(v) >= 1e6 || (v !== 0 && Math.abs(v) < 1e-3) ? v.toExponential(3) : String(Number(v.toPrecision(4)));
    return T.decimal === ',' ? s.replace('.', ',') : s;
  }
  // A name as the program shows it (shownName): control characters as their visible symbols,
  // marks that turn the writing direction left out.
  function shown(text) {
      return String(text === undefined || text === null ? '' : text)
          .replace(
              /[\u0000-\u001f\u007f-\u009f\u2028\u2029\u061c\u200e\u200f\u202a-\u202e\u2066-\u2069]/g,
              function(c) {
                  const u = c.charCodeAt(0);
                  if (u < 0x20) return String.fromCharCode(0x2400 + u);
                  if (u === 0x7f) return '\u2421';
                  if (u <= 0x9f) return '\ufffd';
                  if (u === 0x2028 || u === 0x2029) return '\u2424';
                  return '';
              });
  }
  function title(c) { return shown(c.unit ? c.name + ' (' + c.unit + ')' : c.name); }

  // --- points in ---
  function grow(set, need) {
    if (set.t.length >= need) return;
    const size = Math.max(need, set.t.length * 2, 256);
    for (const k of ['t', 'a', 'b']) { const x = new Float32Array(size); x.set(set[k].subarray(0, set.n)); set[k] = x; }
  }
  // The further columns' parts of a frame, read whole before anything is taken; null when the
  // frame is malformed.
  function columnParts(buf, v, from) {
    if (buf.byteLength < from + 4) return null;
    const count = v.getUint32(from, true), parts = [];
    if (count > MAX_COLUMNS) return null;
    let p = from + 4;
    for (let k = 0; k < count; k++) {
      if (p + 12 > buf.byteLength) return null;
      const index = v.getUint8(p), first = v.getUint32(p + 4, true), n = v.getUint32(p + 8, true);
      p += 12;
      if (index >= MAX_COLUMNS || n > MAX_POINTS || first + n > MAX_POINTS || p + n * 4 > buf.byteLength) return null;
      parts.push({ index: index, first: first, values: new Float32Array(buf.slice(p, p + n * 4)) });
      p += n * 4;
    }
    return p === buf.byteLength ? parts : null;
  }
  function applyFrame(buf) {
    if (buf.byteLength < 16) return;
    const v = new DataView(buf);
    const kind = v.getUint8(0), flags = v.getUint8(1);
    if (flags & ~15) return; // a frame of a later program: not understood, left alone
    const id = v.getUint32(4, true), first = v.getUint32(8, true), n = v.getUint32(12, true);
    const hasB = (flags & 2) !== 0, cols = hasB ? 3 : 2;
    if (n > MAX_POINTS || first + n > MAX_POINTS) return;
    const pointBytes = 16 + n * 4 * cols;
    let parts = [];
    if (flags & 8) {
      if (buf.byteLength < pointBytes || !(parts = columnParts(buf, v, pointBytes))) return;
    } else if (buf.byteLength !== pointBytes) return;
    let set;
    if (kind === 1) set = state.data;
    else if (kind === 2) set = state.snap;
    else if (kind === 3) { set = state.runs.get(id) || newSet(); state.runs.set(id, set); }
    else return;
    if (kind === 2 && (flags & 4)) { // the snapshot begins with the data this page holds
      const d = state.data;
      set = state.snap = { n: d.n, hasB: d.hasB, t: d.t.slice(0, d.n), a: d.a.slice(0, d.n), b: d.b.slice(0, d.n),
                           cols: new Map([...d.cols].map(([k, c]) => [k, { n: c.n, v: c.v.slice(0, c.n) }])) };
    }
    if (flags & 1) { set.n = 0; set.cols = new Map(); }
    if (first > set.n) return; // a gap: wait for the next whole set
    grow(set, first + n);
    const col = (i) => new Float32Array(buf.slice(16 + i * n * 4, 16 + (i + 1) * n * 4));
    set.t.set(col(0), first); set.a.set(col(1), first);
    if (hasB) set.b.set(col(2), first);
    set.hasB = hasB; set.n = first + n;
    for (const part of parts) {
      let c = set.cols.get(part.index);
      if (!c) { c = { n: 0, v: new Float32Array(0) }; set.cols.set(part.index, c); }
      if (part.first > c.n) continue; // a gap: wait for the next whole set
      const need = part.first + part.values.length;
      if (c.v.length < need) { const x = new Float32Array(Math.max(need, c.v.length * 2, 256)); x.set(c.v.subarray(0, c.n)); c.v = x; }
      c.v.set(part.values, part.first);
      c.n = need;
      c.range = null;
    }
    if (set === state.data) dataVersion++;
    dirty = true;
  }
  // The settings come whole when they change; the readouts and the trigger's state on their own.
  const utf8 = new TextDecoder();
  let live = null;
  function applyJson(buf) {
    if (buf.byteLength > 1000000) return;
    let m;
    try { m = JSON.parse(utf8.decode(buf)); } catch (e) { return; }
    if (m && m.type === 'live') live = m;
    else if (m && m.type === 'meta') {
      const runsBefore = state.meta ? JSON.stringify(state.meta.runs) : '';
      // Another plot mode or other quantities: the student's zoom and pointer were of the last.
      if (state.meta && JSON.stringify(m.plot) !== JSON.stringify(state.meta.plot)) { view = null; cursor = null; }
      state.meta = m;
      dataVersion++;
      if (JSON.stringify(m.runs) !== runsBefore) showDownloads();
    } else return;
    if (!state.meta) return;
    if (live) {
      state.meta.a.value = live.a; state.meta.b.value = live.b; state.meta.trigger.state = live.state;
    }
    showMeta();
    dirty = true;
  }

  // --- connection ---
  let retry = 1000;
  function connect() {
    status.textContent = T.connecting;
    const ws = new WebSocket('ws://' + location.host + location.pathname + 'ws');
    ws.binaryType = 'arraybuffer';
    ws.onopen = () => { state.online = true; retry = 1000; };
    ws.onmessage = (e) => {
      if (typeof e.data === 'string') return;
      if (e.data.byteLength > 0 && new Uint8Array(e.data, 0, 1)[0] === 0x7b) applyJson(e.data); // '{'
      else applyFrame(e.data);
    };
    ws.onclose = (e) => {
      state.online = false;
      if (e.code === 1008) { status.textContent = T.full; return; }
      status.textContent = T.offline;
      setTimeout(connect, retry);
      retry = Math.min(retry * 2, 15000);
    };
  }

  // --- what the window shows beside the plot ---
  function showMeta() {
    const m = state.meta;
    for (const k of ['a', 'b']) {
      const box = document.getElementById('big-' + k);
      box.hidden = !m[k].on;
      box.querySelector('.name').textContent = shown(m[k].name);
      box.querySelector('.value').textContent =
          fmt(m[k].value) + (m[k].unit ? ' ' + shown(m[k].unit) : '');
    }
    if (state.online) {
      status.textContent = m.trigger.mode + ' · ' + T[m.trigger.state] + ' · ' + m.intervalMs + ' ms · ' + m.pointCount;
    }
  }
  function link(href, text) {
    const a = document.createElement('a');
    a.href = href; a.textContent = text; a.setAttribute('download', '');
    return a;
  }
  function showDownloads() {
    downloads.replaceChildren(link('daten.txt', T.data), ' ', link('daten.csv', 'CSV'));
    for (const r of state.meta.runs) {
        downloads.append(' ',
                         link('messreihe-' + r.id + '.txt', shown(r.name) || T.run + ' ' + r.id));
        downloads.append(' ', link('messreihe-' + r.id + '.csv', 'CSV'));
    }
  }

  // --- ranges ---
  function extent(set, key) {
    let lo = Infinity, hi = -Infinity;
    const x = set[key];
    for (let i = 0; i < set.n; i++) { const v = x[i]; if (v < lo) lo = v; if (v > hi) hi = v; }
    return lo <= hi ? [lo, hi] : null;
  }
  function padded(r) { return r[0] === r[1] ? [r[0] - 1, r[1] + 1] : r; }
  // A column's range is found once for its values (a shown run's do not change while shown).
  function columnRange(set, col) {
    const n = Math.min(col.n, set.n);
    if (!col.range || col.range.n !== n) col.range = { n: n, e: extent({ n: n, v: col.v }, 'v') };
    return col.range.e;
  }
  // The columns drawn against an axis widen it as the channel's own values do: the data's, and
  // the shown runs' by the same rule (a run's A and B do not).
  function columnExtent(r, axis) {
    const widen = (set, columns) => {
      for (const c of columns || []) {
        const col = set.cols.get(c.index);
        const e = c.axis === axis && col ? columnRange(set, col) : null;
        if (e) r = r ? [Math.min(r[0], e[0]), Math.max(r[1], e[1])] : e;
      }
    };
    widen(state.data, state.meta.columns);
    for (const run of state.meta.runs) {
      const set = state.runs.get(run.id);
      if (run.color && set) widen(set, run.columns);
    }
    return r;
  }
  // The window's plot mode; the spectrum is drawn as the time plot here.
  function plotMode() {
    const p = state.meta && state.meta.plot;
    return p && (p.mode === 'aAsX' || p.mode === 'bAsX' || p.mode === 'quantities') ? p.mode : 'time';
  }
  // A chosen quantity's values in a set, by what the settings say it is; null where the set
  // does not hold it.
  function quantityOf(set, q) {
    if (!q || q.title === undefined) return null;
    if (q.column !== undefined) {
      const c = set.cols.get(q.column);
      return c ? { v: c.v, n: Math.min(c.n, set.n) } : null;
    }
    if (q.key === 't') return { v: set.t, n: set.n };
    if (q.key === 'A') return { v: set.a, n: set.n };
    if (q.key === 'B' && set.hasB) return { v: set.b, n: set.n };
    return null;
  }
  // The plot of quantities as the window draws it: the data's points in which each chosen
  // quantity has a value, sorted by x (equal x in their order). Made again when the data or
  // the settings changed.
  let projection = null, projectionOf = -1;
  function projected() {
    if (projectionOf === dataVersion) return projection;
    projectionOf = dataVersion;
    const p = state.meta.plot, d = state.data;
    const x = quantityOf(d, p.x), l = quantityOf(d, p.left), r = p.right ? quantityOf(d, p.right) : null;
    projection = { n: 0, x: new Float32Array(0), l: new Float32Array(0), r: null, index: [] };
    if (!x || !l || (p.right && !r)) return projection;
    const n = Math.min(x.n, l.n, r ? r.n : Infinity), order = [];
    for (let i = 0; i < n; i++)
      if (isFinite(x.v[i]) && isFinite(l.v[i]) && (!r || isFinite(r.v[i]))) order.push(i);
    order.sort((i, j) => x.v[i] - x.v[j] || i - j);
    const pick = (q) => Float32Array.from(order, (i) => q.v[i]);
    projection = { n: order.length, x: pick(x), l: pick(l), r: r ? pick(r) : null, index: order };
    return projection;
  }
  // The column the right axis shows where no B is shown, as the window titles it.
  function rightColumn() {
    const m = state.meta;
    return m && m.rightAxis !== undefined ? (m.columns || []).find((c) => c.index === m.rightAxis) || null : null;
  }
  // The ranges of the bottom (t), left (a) and right (b) axes, whatever they show.
  function teacherRanges() {
    const m = state.meta;
    const r = { t: [0, 1], a: [0, 1], b: [0, 1] };
    if (!m) return r;
    const mode = plotMode();
    if (mode === 'quantities') {
      const p = projected(), of = (v) => padded(extent({ n: p.n, v: v }, 'v') || [0, 1]);
      r.t = of(p.x); r.a = of(p.l);
      if (p.r) r.b = of(p.r);
      return r;
    }
    if (mode !== 'time') {
      // One channel across, the other up, each as the time plot scales it; columns have no
      // place against a channel.
      for (const k of ['a', 'b'])
        r[k] = m[k].max > m[k].min && !m.loaded ? [m[k].min, m[k].max] : padded(extent(state.data, k) || [0, 1]);
      r.t = (mode === 'bAsX' ? r.b : r.a).slice();
      return r;
    }
    r.t = m.time.max > m.time.min ? [m.time.min, m.time.max] : padded(extent(state.data, 't') || [0, 1]);
    // The columns drawn against an axis widen its range as the channel's own values do; a
    // column the right axis shows alone is scaled over its values only.
    for (const [k, axis] of [['a', 'left'], ['b', 'right']]) {
      const own = k === 'b' && rightColumn() ? null : extent(state.data, k);
      r[k] = m[k].max > m[k].min && !m.loaded && !(k === 'b' && rightColumn())
        ? [m[k].min, m[k].max] : padded(columnExtent(own, axis) || [0, 1]);
    }
    return r;
  }
  function ranges() { return view || teacherRanges(); }

  // --- drawing ---
  const M = { l: 58, r: 58, t: 22, b: 22 };
  function niceStep(span, count) {
    const raw = span / Math.max(count, 1), p = Math.pow(10, Math.floor(Math.log10(raw)));
    const f = raw / p;
    return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * p;
  }
  function ticks(r, px) {
    const step = niceStep(r[1] - r[0], Math.max(2, Math.floor(px / 70)));
    if (!isFinite(step) || step <= 0) return [];
    const out = [];
    for (let v = Math.ceil(r[0] / step) * step; v <= r[1] + step * 1e-9 && out.length < 50; v += step) out.push(Math.abs(v) < step * 1e-9 ? 0 : v);
    return out;
  }
  function series(set, key, colour, xr, yr, w, h, dpr, width) {
    values(set.t, set[key], set.n, colour, xr, yr, w, h, dpr, width);
  }
  function columnSeries(set, c, colour, xr, r, w, h, dpr, width) {
    const col = set.cols.get(c.index);
    if (col) values(set.t, col.v, Math.min(col.n, set.n), colour, xr, c.axis === 'right' ? r.b : r.a, w, h, dpr, width);
  }
  function values(t, y, n, colour, xr, yr, w, h, dpr, width) {
    if (!n) return;
    const sx = w / (xr[1] - xr[0]), sy = h / (yr[1] - yr[0]);
    const X = (v) => M.l * dpr + (v - xr[0]) * sx, Y = (v) => M.t * dpr + h - (v - yr[0]) * sy;
    ctx.strokeStyle = colour; ctx.lineWidth = width * dpr;
    ctx.beginPath();
    // Many points per pixel column: one vertical stroke per column from its lowest to its highest.
    let col = null, lo = 0, hi = 0, started = false;
    const flush = () => { if (col === null) return; const a = Y(lo), b = Y(hi); if (!started) { ctx.moveTo(col, a); started = true; } else ctx.lineTo(col, a); ctx.lineTo(col, b); };
    const dense = n > 2 * w;
    for (let i = 0; i < n; i++) {
      const v = y[i];
      if (!isFinite(v)) continue;
      if (!dense) { const px = X(t[i]), py = Y(v); if (!started) { ctx.moveTo(px, py); started = true; } else ctx.lineTo(px, py); continue; }
      const c = Math.round(X(t[i]));
      if (c !== col) { flush(); col = c; lo = hi = v; } else { if (v < lo) lo = v; if (v > hi) hi = v; }
    }
    if (dense) flush();
    ctx.stroke();
  }
  function draw() {
    const dpr = window.devicePixelRatio || 1;
    const cw = Math.round(canvas.clientWidth * dpr), ch = Math.round(canvas.clientHeight * dpr);
    if (canvas.width !== cw || canvas.height !== ch) { canvas.width = cw; canvas.height = ch; }
    ctx.fillStyle = '#fff'; ctx.fillRect(0, 0, cw, ch);
    const m = state.meta;
    if (!m) return;
    const r = ranges();
    const w = cw - (M.l + M.r) * dpr, h = ch - (M.t + M.b) * dpr;
    if (w < 10 || h < 10) return;
    ctx.font = (12 * dpr) + 'px "Liberation Sans", Arial, sans-serif';
    ctx.lineWidth = dpr; ctx.strokeStyle = '#ddd'; ctx.fillStyle = '#000';
    ctx.textAlign = 'center'; ctx.textBaseline = 'top';
    for (const v of ticks(r.t, w / dpr)) {
      const x = M.l * dpr + (v - r.t[0]) / (r.t[1] - r.t[0]) * w;
      ctx.beginPath(); ctx.moveTo(x, M.t * dpr); ctx.lineTo(x, M.t * dpr + h); ctx.stroke();
      ctx.fillText(fmt(v), x, M.t * dpr + h + 3 * dpr);
    }
    // The side axes as the window's mode shows them: [range, side, colour, title]. One channel
    // over the other leaves the x channel's strip empty; the plot of quantities has its own.
    const mode = plotMode(), right = rightColumn(), q = m.plot || {};
    const p = mode === 'quantities' ? projected() : null;
    const named = (c) => c && c.title !== undefined;
    const sides = [];
    let bottom = null; // the title of what runs across, where it is not the time
    if (mode === 'quantities') {
      if (named(q.left)) sides.push(['a', 'l', COLOURS.a, shown(q.left.title)]);
      if (named(q.right)) sides.push(['b', 'r', COLOURS.b, shown(q.right.title)]);
      bottom = [named(q.x) ? shown(q.x.title) : '', '#000'];
    } else if (mode === 'bAsX') {
      sides.push(['a', 'l', COLOURS.a, title(m.a)]);
      bottom = [title(m.b), COLOURS.b];
    } else if (mode === 'aAsX') {
      sides.push(['b', 'r', COLOURS.b, title(m.b)]);
      bottom = [title(m.a), COLOURS.a];
    } else {
      if (m.a.on) sides.push(['a', 'l', COLOURS.a, title(m.a)]);
      if (right) sides.push(['b', 'r', right.color, title(right)]);
      else if (m.b.on) sides.push(['b', 'r', COLOURS.b, title(m.b)]);
    }
    ctx.textBaseline = 'middle';
    for (const [k, side, colour] of sides) {
      ctx.fillStyle = colour; ctx.textAlign = side === 'l' ? 'right' : 'left';
      for (const v of ticks(r[k], h / dpr)) {
        const y = M.t * dpr + h - (v - r[k][0]) / (r[k][1] - r[k][0]) * h;
        if (k === sides[0][0]) { ctx.beginPath(); ctx.moveTo(M.l * dpr, y); ctx.lineTo(M.l * dpr + w, y); ctx.stroke(); }
        ctx.fillText(fmt(v), side === 'l' ? (M.l - 4) * dpr : (M.l + 4) * dpr + w, y);
      }
    }
    ctx.textBaseline = 'bottom';
    if (bottom) { // inside the plot above its axis, as the window titles a channel across
      ctx.fillStyle = bottom[1]; ctx.textAlign = 'right';
      ctx.fillText(bottom[0], M.l * dpr + w - 4 * dpr, M.t * dpr + h - 3 * dpr);
    } else {
      ctx.fillStyle = '#000'; ctx.textAlign = 'left';
      ctx.fillText(T.time + ' (s)', M.l * dpr + w + 4 * dpr, M.t * dpr + h + 16 * dpr);
    }
    ctx.textBaseline = 'top';
    // The legend: the left axis's title, then the columns on its axis; on the right the right
    // axis's title, then the others on that axis; each in its colour.
    let left = 2 * dpr, rightEdge = cw - 2 * dpr;
    const legend = (text, colour, fromRight) => {
      ctx.fillStyle = colour;
      const width = ctx.measureText(text).width + 12 * dpr;
      if (fromRight) { ctx.textAlign = 'right'; ctx.fillText(text, rightEdge, 3 * dpr); rightEdge -= width; }
      else { ctx.textAlign = 'left'; ctx.fillText(text, left, 3 * dpr); left += width; }
    };
    for (const [, side, colour, text] of sides) legend(text, colour, side === 'r');
    if (mode === 'time') for (const c of m.columns || []) if (c !== right) legend(title(c), c.color, c.axis === 'right');
    ctx.save();
    ctx.beginPath(); ctx.rect(M.l * dpr, M.t * dpr, w, h); ctx.clip();
    if (mode === 'quantities') {
      values(p.x, p.l, p.n, COLOURS.a, r.t, r.a, w, h, dpr, 1.5);
      if (p.r) values(p.x, p.r, p.n, COLOURS.b, r.t, r.b, w, h, dpr, 1.5);
    } else if (mode !== 'time') {
      // The other channel over the x channel; runs and the snapshot alike. The window draws
      // the curve once for each channel shown, in the colours that overlap to black.
      const xk = mode === 'bAsX' ? 'b' : 'a', yk = xk === 'a' ? 'b' : 'a';
      const xy = (set, colour, width) => {
        if (set.hasB && (m.a.on || m.b.on)) values(set[xk], set[yk], set.n, colour, r.t, r[yk], w, h, dpr, width);
      };
      for (const run of m.runs) {
        const set = state.runs.get(run.id);
        if (run.color && set) xy(set, run.color, 1);
      }
      xy(state.snap, COLOURS.snap, 1);
      xy(state.data, m.a.on && m.b.on ? '#000' : m.a.on ? COLOURS.a : COLOURS.b, 1.5);
    } else {
      for (const run of m.runs) {
        const set = state.runs.get(run.id);
        if (!run.color || !set) continue;
        if (m.a.on) series(set, 'a', run.color, r.t, r.a, w, h, dpr, 1);
        if (m.b.on && set.hasB) series(set, 'b', run.color, r.t, r.b, w, h, dpr, 1);
        for (const c of run.columns || []) columnSeries(set, c, run.color, r.t, r, w, h, dpr, 1);
      }
      if (m.a.on) series(state.snap, 'a', COLOURS.snap, r.t, r.a, w, h, dpr, 1);
      if (m.b.on && state.snap.hasB) series(state.snap, 'b', COLOURS.snap, r.t, r.b, w, h, dpr, 1);
      for (const c of m.snapshotColumns || []) columnSeries(state.snap, c, COLOURS.snap, r.t, r, w, h, dpr, 1);
      if (m.a.on) series(state.data, 'a', COLOURS.a, r.t, r.a, w, h, dpr, 1.5);
      if (m.b.on && state.data.hasB) series(state.data, 'b', COLOURS.b, r.t, r.b, w, h, dpr, 1.5);
      for (const c of m.columns || []) columnSeries(state.data, c, c.color, r.t, r, w, h, dpr, 1.5);
    }
    const at = pointAt(r, w, h);
    if (at) {
      const X = (v) => M.l * dpr + (v - r.t[0]) / (r.t[1] - r.t[0]) * w;
      ctx.strokeStyle = '#000'; ctx.lineWidth = dpr;
      ctx.beginPath();
      if (mode === 'time') { ctx.moveTo(X(cursor.x), M.t * dpr); ctx.lineTo(X(cursor.x), M.t * dpr + h); }
      else ctx.arc(X(at.x), M.t * dpr + h - (at.y - r[at.axis][0]) / (r[at.axis][1] - r[at.axis][0]) * h, 5 * dpr, 0, 2 * Math.PI);
      ctx.stroke();
    }
    ctx.restore();
    ctx.strokeStyle = '#000'; ctx.lineWidth = dpr; ctx.strokeRect(M.l * dpr, M.t * dpr, w, h);
    showReadout(at);
  }
  function nearest(x, n, at) {
    let best = -1, dist = Infinity;
    for (let i = 0; i < n; i++) { const d = Math.abs(x[i] - at); if (d < dist) { dist = d; best = i; } }
    return best;
  }
  // The point under the pointer as the window finds it: the nearest in time, in the plot of
  // quantities the nearest in x, one channel over the other the nearest on the plot. i is its
  // index in the data, k in the plot of quantities; x, y and axis place its mark.
  function pointAt(r, w, h) {
    const mode = plotMode(), d = state.data;
    if (!cursor) return null;
    if (mode === 'time') {
      const i = nearest(d.t, d.n, cursor.x);
      return i < 0 ? null : { i: i };
    }
    if (mode === 'quantities') {
      const p = projected(), k = nearest(p.x, p.n, cursor.x);
      return k < 0 ? null : { i: p.index[k], k: k, x: p.x[k], y: p.l[k], axis: 'a' };
    }
    const xk = mode === 'bAsX' ? 'b' : 'a', yk = xk === 'a' ? 'b' : 'a';
    if (!d.hasB) return null;
    const sx = w / (r.t[1] - r.t[0]), sy = h / (r[yk][1] - r[yk][0]);
    let best = -1, dist = Infinity;
    for (let i = 0; i < d.n; i++) {
      const dx = (d[xk][i] - cursor.x) * sx, dy = (d[yk][i] - cursor[yk]) * sy, e = dx * dx + dy * dy;
      if (e < dist) { dist = e; best = i; }
    }
    return best < 0 ? null : { i: best, x: d[xk][best], y: d[yk][best], axis: yk };
  }
  // The values at the point: the time, the channels and each further column the page holds,
  // or in the plot of quantities its three quantities.
  function showReadout(at) {
    const m = state.meta;
    readout.hidden = !at;
    if (!at) return;
    const d = state.data, i = at.i;
    const item = (name, v, unit) => shown(name) + ' = ' + fmt(v) + (unit ? ' ' + shown(unit) : '');
    if (at.k !== undefined) {
      const q = m.plot, p = projected();
      readout.textContent = [[q.x, p.x], [q.left, p.l], [q.right, p.r]]
        .filter(([c, v]) => c && c.title !== undefined && v).map(([c, v]) => item(c.name, v[at.k], c.unit)).join('   ');
      return;
    }
    let text = 't = ' + fmt(d.t[i]) + ' s';
    if (m.a.on) text += '   ' + item(m.a.name, d.a[i], m.a.unit);
    if (m.b.on && d.hasB) text += '   ' + item(m.b.name, d.b[i], m.b.unit);
    for (const c of m.columns || []) {
      const col = d.cols.get(c.index);
      if (col && i < col.n) text += '   ' + item(c.name, col.v[i], c.unit);
    }
    readout.textContent = text;
  }
  function frame() { if (dirty) { dirty = false; draw(); } requestAnimationFrame(frame); }

  // --- the student's own zoom, pan and readout ---
  const pointers = new Map();
  let gesture = null;
  function plotPos(e) {
    const b = canvas.getBoundingClientRect();
    return { x: e.clientX - b.left - M.l, y: e.clientY - b.top - M.t, w: b.width - M.l - M.r, h: b.height - M.t - M.b };
  }
  // The pointer's place in the values of the bottom, left and right axes.
  function valuesAt(e) {
    const p = plotPos(e), r = ranges(), up = (k) => r[k][1] - p.y / p.h * (r[k][1] - r[k][0]);
    return { x: r.t[0] + p.x / p.w * (r.t[1] - r.t[0]), a: up('a'), b: up('b') };
  }
  function copyRanges(r) { return { t: r.t.slice(), a: r.a.slice(), b: r.b.slice() }; }
  function zoom(r, k, centre, factor) { r[k] = [centre + (r[k][0] - centre) * factor, centre + (r[k][1] - centre) * factor]; }
  canvas.addEventListener('pointerdown', (e) => {
    canvas.setPointerCapture(e.pointerId);
    pointers.set(e.pointerId, { x: e.clientX, y: e.clientY });
    gesture = { start: copyRanges(ranges()), pts: new Map([...pointers].map(([k, v]) => [k, { x: v.x, y: v.y }])), moved: false };
  });
  canvas.addEventListener('pointermove', (e) => {
    if (!pointers.has(e.pointerId)) {
      if (e.pointerType === 'mouse') { cursor = valuesAt(e); dirty = true; }
      return;
    }
    pointers.set(e.pointerId, { x: e.clientX, y: e.clientY });
    const p = plotPos(e), s = gesture.start, ids = [...gesture.pts.keys()];
    const r = copyRanges(s);
    if (ids.length === 1) {
      const p0 = gesture.pts.get(ids[0]), dx = e.clientX - p0.x, dy = e.clientY - p0.y;
      if (Math.abs(dx) + Math.abs(dy) < 6 && !gesture.moved) return;
      gesture.moved = true;
      const ft = (s.t[1] - s.t[0]) / p.w;
      r.t = [s.t[0] - dx * ft, s.t[1] - dx * ft];
      for (const k of ['a', 'b']) { const f = (s[k][1] - s[k][0]) / p.h; r[k] = [s[k][0] + dy * f, s[k][1] + dy * f]; }
    } else {
      const [i, j] = ids, a0 = gesture.pts.get(i), b0 = gesture.pts.get(j), a1 = pointers.get(i), b1 = pointers.get(j);
      if (!a1 || !b1) return;
      gesture.moved = true;
      const b = canvas.getBoundingClientRect();
      const fx = Math.max(Math.abs(a0.x - b0.x), 20) / Math.max(Math.abs(a1.x - b1.x), 20);
      const fy = Math.max(Math.abs(a0.y - b0.y), 20) / Math.max(Math.abs(a1.y - b1.y), 20);
      const cx = (a0.x + b0.x) / 2 - b.left - M.l, cy = (a0.y + b0.y) / 2 - b.top - M.t;
      zoom(r, 't', s.t[0] + cx / p.w * (s.t[1] - s.t[0]), fx);
      for (const k of ['a', 'b']) zoom(r, k, s[k][1] - cy / p.h * (s[k][1] - s[k][0]), fy);
    }
    view = r; dirty = true;
  });
  function release(e) {
    if (!pointers.has(e.pointerId)) return;
    pointers.delete(e.pointerId);
    if (gesture && !gesture.moved && pointers.size === 0) { cursor = valuesAt(e); dirty = true; }
    gesture = pointers.size ? { start: copyRanges(ranges()), pts: new Map([...pointers].map(([k, v]) => [k, { x: v.x, y: v.y }])), moved: true } : null;
  }
  canvas.addEventListener('pointerup', release);
  canvas.addEventListener('pointercancel', release);
  canvas.addEventListener('wheel', (e) => {
    e.preventDefault();
    const r = copyRanges(ranges()), p = plotPos(e), f = e.deltaY > 0 ? 1.25 : 0.8;
    if (e.shiftKey) { for (const k of ['a', 'b']) zoom(r, k, r[k][1] - p.y / p.h * (r[k][1] - r[k][0]), f); }
    else zoom(r, 't', r.t[0] + p.x / p.w * (r.t[1] - r.t[0]), f);
    view = r; dirty = true;
  }, { passive: false });
  canvas.addEventListener('dblclick', () => { view = null; dirty = true; });
  fitButton.addEventListener('click', () => { view = null; cursor = null; dirty = true; });
  window.addEventListener('resize', () => { dirty = true; });

  // For the browser test: what the plot holds.
  window.kurvimatPlotted = () => ({
    meta: state.meta,
    data: { n: state.data.n, t: Array.from(state.data.t.subarray(0, state.data.n)), a: Array.from(state.data.a.subarray(0, state.data.n)), b: Array.from(state.data.b.subarray(0, state.data.n)),
            columns: Object.fromEntries([...state.data.cols].map(([k, c]) => [k, Array.from(c.v.subarray(0, c.n))])) },
    runs: Object.fromEntries([...state.runs].map(([id, s]) => [id, { n: s.n, t: Array.from(s.t.subarray(0, s.n)), a: Array.from(s.a.subarray(0, s.n)) }])),
    ranges: ranges(),
    zoomed: view !== null
  });

  connect();
  requestAnimationFrame(frame);
})();
