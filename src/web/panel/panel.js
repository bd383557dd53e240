// The routing panel: korvexd's model arrives on the events socket and is drawn here; every action
// is one API request, and what it changed is drawn when the switcher has confirmed it.
import {ApiError, Events, request, setUser, toLogin} from './api.js';

const kOutputs = 9;
const kInputs = 10; // in1..in9 and the multiview picture
const kNameLength = 32;

const model = {
    login : false,
    line : null,
    devices : [],
    states : {},
    presets : {},
    activity : {}
};
const ui = {
    device : null,        // "01"
    selected : new Set(), // outputs 1..9 picked for the next source
    pending : new Map(),  // output -> input asked for and not yet confirmed
    renaming : false,
    mvPending : null,       // {mvMode} or {qvSources} asked for and not yet confirmed
    armedForce : new Map(), // output -> timer: a second tap takes back a router client's lock
    connected : false,
    built : null, // the device the routing controls were built for
};

const $ = (id) => document.getElementById(id);
const el = (tag, props = {}, ...children) => {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(props)) {
        if (key === 'class')
            node.className = value;
        else if (key === 'text')
            node.textContent = value;
        else if (key.startsWith('data-') || key.startsWith('aria-') || key === 'role' || key === 'for')
            node.setAttribute(key, value);
        else
            node[key] = value;
    }
    for (const child of children)
        if (child !== null && child !== undefined)
            node.append(child);
    return node;
};

const kLockIcon =
    '<svg viewBox="0 0 24 24" aria-hidden="true"><path d="M7 10V7a5 5 0 0 1 10 0v3h1a1 1 0 0 1 1 1v9a1 1 0 0 1-1 1H6a1 1 0 0 1-1-1v-9a1 1 0 0 1 1-1zm2 0h6V7a3 3 0 0 0-6 0z"/></svg>';
const kUnlockIcon =
    '<svg viewBox="0 0 24 24" aria-hidden="true"><path d="M7 10V7a5 5 0 0 1 9.6-2l-1.8.9A3 3 0 0 0 9 7v3h9a1 1 0 0 1 1 1v9a1 1 0 0 1-1 1H6a1 1 0 0 1-1-1v-9a1 1 0 0 1 1-1z"/></svg>';

const kPencilIcon =
    '<svg viewBox="0 0 24 24" aria-hidden="true"><path d="M4 17.3V20h2.7l8-8-2.7-2.7zm14.7-7.4a1 1 0 0 0 0-1.4l-1.2-1.2a1 1 0 0 0-1.4 0l-1.3 1.3 2.6 2.6z"/></svg>';
const kTrashIcon =
    '<svg viewBox="0 0 24 24" aria-hidden="true"><path d="M9 3h6l1 2h4v2H4V5h4zM6 9h12l-1 12H7z"/></svg>';

function iconButton(act, icon, label, className) {
    const button =
        el('button',
           {type : 'button', class : className, 'data-act' : act, title : label, 'aria-label' : label});
    button.innerHTML = icon;
    return button;
}

// ---- names ----

const state = () => model.states[ui.device] || null;
const inputTag = (i) => (i === 10 ? 'MV' : `in${i}`);
const outputTag = (o) => `Out${o}`;
const inputName = (i) => state()?.names?.inputs?.[i - 1] || inputTag(i);
const outputName = (o) => state()?.names?.outputs?.[o - 1] || outputTag(o);
const hasInputName = (i) => !!state()?.names?.inputs?.[i - 1];
const hasOutputName = (o) => !!state()?.names?.outputs?.[o - 1];
// The input an output shows, 1-based, or null while unknown (the device state is 0-based).
const shownInput = (o) => {
    const value = state()?.routing?.[o - 1];
    return value === null || value === undefined ? null : value + 1;
};
const lockOf = (o) => state()?.locks?.[o - 1] || null;
const codePoints = (text) => [...text].length;

function lockHolder(lock) {
    const owner = lock.owner || {};
    const who = owner.label || (owner.kind === 'router' ? 'a router client' : 'the panel');
    return owner.kind === 'router' ? `${who} (router client)` : who;
}

function lockMessage(o) {
    const lock = lockOf(o);
    return `${outputName(o)} is locked by ${lockHolder(lock)} since ${
        clock(lock.since, false)}. Unlock it first.`;
}

function clock(iso, seconds = true) {
    const date = new Date(iso);
    if (Number.isNaN(date.getTime()))
        return '';
    return date.toLocaleTimeString(
        [],
        {hour : '2-digit', minute : '2-digit', second : seconds ? '2-digit' : undefined, hourCycle : 'h23'});
}

// ---- messages ----

function toast(text, kind = 'error') {
    const box = $('toasts');
    const item = el('div', {class : `toast ${kind}`, role : kind === 'error' ? 'alert' : 'status'},
                    el('span', {text}));
    const close = el('button', {type : 'button', class : 'quiet', 'aria-label' : 'Dismiss', text : '×'});
    close.addEventListener('click', () => item.remove());
    item.append(close);
    box.append(item);
    while (box.children.length > 3)
        box.firstElementChild.remove();
    setTimeout(() => item.remove(), kind === 'error' ? 7000 : 4000);
}

function failed(error) { toast(error instanceof ApiError ? error.message : 'Something went wrong.'); }

// ---- routing: the screens, the sources, the crosspoint grid ----

function buildRouting() {
    ui.built = ui.device;
    const outputs = $('outputs');
    outputs.replaceChildren();
    for (let o = 1; o <= kOutputs; ++o) {
        const pick =
            el('button', {type : 'button', class : 'pick', 'aria-pressed' : 'false'},
               el('span', {class : 'head'}, el('span', {class : 'name'}), el('span', {class : 'tag'})),
               el('span', {class : 'shows'}, el('span', {class : 'src'}), el('span', {class : 'tag'})),
               el('span', {class : 'note'}));
        const lock = el('button', {type : 'button', class : 'lock', 'aria-pressed' : 'false'});
        const rename = el('input', {
            class : 'rename',
            maxLength : 64,
            autocomplete : 'off',
            'data-kind' : 'outputs',
            'data-n' : o,
            'aria-label' : `Name of ${outputTag(o)}`
        });
        outputs.append(el('div', {class : 'out', 'data-output' : o}, pick, rename, lock));
    }
    const sources = $('sources');
    sources.replaceChildren();
    for (let i = 1; i <= kInputs; ++i) {
        const button = el('button', {type : 'button', class : `source${i === 10 ? ' mv' : ''}`},
                          el('span', {class : 'name'}), el('span', {class : 'tag'}));
        const rename = el('input', {
            class : 'rename',
            maxLength : 64,
            autocomplete : 'off',
            'data-kind' : 'inputs',
            'data-n' : i,
            'aria-label' : `Name of ${inputTag(i)}`
        });
        sources.append(el('div', {class : 'src-cell', 'data-input' : i}, button, rename));
    }
    const grid = $('grid');
    const head = el('tr', {}, el('th', {scope : 'col', class : 'corner', text : 'Screen \\ Source'}));
    for (let i = 1; i <= kInputs; ++i)
        head.append(el('th', {scope : 'col', 'data-input' : i}, el('span', {class : 'name'}),
                       el('span', {class : 'tag'})));
    const body = el('tbody');
    for (let o = 1; o <= kOutputs; ++o) {
        const row = el('tr', {'data-output' : o},
                       el('th', {scope : 'row'}, el('span', {class : 'name'}), el('span', {class : 'tag'})));
        for (let i = 1; i <= kInputs; ++i)
            row.append(
                el('td', {},
                   el('button', {type : 'button', class : 'xp', 'data-output' : o, 'data-input' : i})));
        body.append(row);
    }
    grid.replaceChildren(el('thead', {}, head), body);
}

function renderRouting() {
    if (!state())
        return;
    if (ui.built !== ui.device)
        buildRouting();
    for (const card of $('outputs').children) {
        const o = Number(card.dataset.output);
        const input = shownInput(o);
        const lock = lockOf(o);
        const pending = ui.pending.get(o);
        const selected = ui.selected.has(o);
        const pick = card.querySelector('.pick');
        card.classList.toggle('selected', selected);
        card.classList.toggle('locked', !!lock);
        card.classList.toggle('pending', pending !== undefined);
        pick.setAttribute('aria-pressed', String(selected));
        card.querySelector('.head .name').textContent = outputName(o);
        card.querySelector('.head .tag').textContent = hasOutputName(o) ? outputTag(o) : '';
        card.querySelector('.shows .src').textContent = input === null ? '—' : inputName(input);
        card.querySelector('.shows .tag').textContent =
            input !== null && hasInputName(input) ? inputTag(input) : '';
        const note = pending !== undefined ? `Switching to ${inputName(pending)}…`
                     : lock ? `Locked by ${lockHolder(lock)}`
                            : '';
        card.querySelector('.note').textContent = note;
        pick.setAttribute('aria-label',
                          `${outputName(o)}${hasOutputName(o) ? ` (${outputTag(o)})` : ''} shows ${
                              input === null ? 'an unknown source'
                                             : inputName(input)}${note ? `. ${note}` : ''}`);
        const lockButton = card.querySelector('.lock');
        lockButton.innerHTML = lock ? kLockIcon : kUnlockIcon;
        lockButton.setAttribute('aria-pressed', String(!!lock));
        lockButton.setAttribute('aria-label', `${lock ? 'Unlock' : 'Lock'} ${outputName(o)}`);
        lockButton.classList.toggle('armed', ui.armedForce.has(o));
        const rename = card.querySelector('.rename');
        rename.placeholder = outputTag(o);
        if (document.activeElement !== rename)
            rename.value = state().names?.outputs?.[o - 1] || '';
    }
    const onSelected = new Set([...ui.selected ].map(shownInput));
    for (const cell of $('sources').children) {
        const i = Number(cell.dataset.input);
        const button = cell.querySelector('.source');
        button.querySelector('.name').textContent = inputName(i);
        button.querySelector('.tag').textContent = hasInputName(i) ? inputTag(i)
                                                   : i === 10      ? 'multiview'
                                                                   : '';
        button.classList.toggle('current', onSelected.has(i));
        const count = [...Array(kOutputs).keys() ].filter((k) => shownInput(k + 1) === i).length;
        button.setAttribute('aria-label', `${inputName(i)}${hasInputName(i) ? ` (${inputTag(i)})` : ''}${
                                              count ? `, on ${count} screen${count > 1 ? 's' : ''}` : ''}`);
        const rename = cell.querySelector('.rename');
        rename.placeholder = inputTag(i);
        if (document.activeElement !== rename)
            rename.value = state().names?.inputs?.[i - 1] || '';
    }
    const n = ui.selected.size;
    $('hint').textContent = ui.renaming ? 'Type a name and press Enter; Esc undoes, empty gives the default.'
                            : n === 0   ? 'Tap one or more screens, then a source.'
                                        : `${n} screen${n > 1 ? 's' : ''  } selected: now tap a source.`;
    $('sources-title').textContent =
        n === 0 ? 'Sources' : `Show on ${n === 1 ? outputName([...ui.selected ][0]) : `${n} screens`}:`;
    $('hint').classList.toggle('active', n > 0);
    $('clear').disabled = n === 0;
    document.body.classList.toggle('choosing', n > 0);
    renderGrid();
}

function renderGrid() {
    const grid = $('grid');
    for (const th of grid.querySelectorAll('thead th[data-input]')) {
        const i = Number(th.dataset.input);
        th.querySelector('.name').textContent = inputName(i);
        th.querySelector('.tag').textContent = hasInputName(i) ? inputTag(i) : '';
    }
    for (const row of grid.tBodies[0].rows) {
        const o = Number(row.dataset.output);
        const shown = shownInput(o);
        const pending = ui.pending.get(o);
        row.classList.toggle('locked', !!lockOf(o));
        row.querySelector('th .name').textContent = outputName(o);
        row.querySelector('th .tag').textContent = hasOutputName(o) ? outputTag(o) : '';
        for (const button of row.querySelectorAll('.xp')) {
            const i = Number(button.dataset.input);
            button.classList.toggle('on', shown === i);
            button.classList.toggle('pending', pending === i);
            button.setAttribute('aria-pressed', String(shown === i));
            button.setAttribute('aria-label', `${outputName(o)}: ${inputName(i)}`);
        }
    }
}

function toggleOutput(o) {
    if (lockOf(o)) {
        toast(lockMessage(o));
        return;
    }
    if (ui.selected.has(o))
        ui.selected.delete(o);
    else
        ui.selected.add(o);
    renderRouting();
}

async function route(outputs, input) {
    const free = outputs.filter((o) => !lockOf(o));
    if (free.length < outputs.length)
        toast(lockMessage(outputs.find((o) => lockOf(o))));
    if (!free.length)
        return;
    for (const o of free)
        ui.pending.set(o, input);
    for (const o of free)
        ui.selected.delete(o);
    renderRouting();
    const device = ui.device;
    try {
        await request('POST', `/api/devices/${device}/routes`, free.map((o) => ({output : o, input})));
    } catch (error) {
        failed(error);
    } finally {
        // The socket's state message normally got here first and cleared them already.
        for (const o of free)
            if (ui.pending.get(o) === input)
                ui.pending.delete(o);
        if (ui.device === device)
            renderRouting();
    }
}

function chooseSource(input) {
    if (!ui.selected.size) {
        const hint = $('hint');
        hint.classList.remove('nudge');
        void hint.offsetWidth; // restart the animation
        hint.classList.add('nudge');
        return;
    }
    route([...ui.selected ].sort((a, b) => a - b), input);
}

async function toggleLock(o) {
    const lock = lockOf(o);
    const body = {locked : !lock};
    if (lock && lock.owner?.kind === 'router') {
        if (!ui.armedForce.has(o)) {
            ui.armedForce.set(o, setTimeout(() => {
                                  ui.armedForce.delete(o);
                                  renderRouting();
                              }, 5000));
            toast(`${outputName(o)} is locked by ${lockHolder(lock)}. Tap the lock again to take it back.`,
                  'info');
            renderRouting();
            return;
        }
        clearTimeout(ui.armedForce.get(o));
        ui.armedForce.delete(o);
        body.force = true;
    }
    if (body.locked)
        ui.selected.delete(o);
    try {
        await request('PUT', `/api/devices/${ui.device}/locks/${o}`, body);
    } catch (error) {
        failed(error);
    }
    renderRouting();
}

// ---- names, edited in place ----

function setRenaming(on) {
    ui.renaming = on;
    document.body.classList.toggle('renaming', on);
    $('rename').setAttribute('aria-pressed', String(on));
    $('rename').textContent = on ? 'Done' : 'Rename';
    ui.selected.clear();
    renderRouting();
    if (on) {
        $('outputs').querySelector('.rename')?.focus();
    }
}

async function saveName(input) {
    const kind = input.dataset.kind;
    const n = Number(input.dataset.n);
    const name = input.value.trim();
    const old = state()?.names?.[kind]?.[n - 1] || '';
    if (name === old)
        return;
    if (codePoints(name) > kNameLength) {
        toast(`A name has at most ${kNameLength} characters; this one has ${codePoints(name)}.`);
        input.focus();
        return;
    }
    try {
        await request('PUT', `/api/devices/${ui.device}/names/${kind}/${n}`, {name});
        input.classList.add('saved');
        setTimeout(() => input.classList.remove('saved'), 900);
    } catch (error) {
        failed(error);
        input.value = old;
    }
}

// ---- multiview ----

function renderMultiview() {
    const s = state();
    if (!s)
        return;
    const pending = ui.mvPending;
    for (const button of $('mv-mode').children) {
        const mode = Number(button.dataset.mode);
        button.setAttribute('aria-pressed', String(s.mvMode === mode));
        button.classList.toggle('pending', pending?.mvMode === mode);
    }
    const qv = $('qv');
    if (!qv.children.length) {
        for (let w = 1; w <= 4; ++w) {
            const select = el('select', {id : `qv-${w}`, 'data-window' : w});
            qv.append(el('div', {class : 'qv-window'}, el('label', { for: `qv-${w}`, text: `Window ${w}`
                         }), select));
        }
    }
    for (const select of qv.querySelectorAll('select')) {
        const w = Number(select.dataset.window);
        const value = s.qvSources?.[w - 1];
        const options = [];
        if (value === null || value === undefined)
            options.push(el('option', {value : '', text : 'Unknown'}));
        for (let i = 1; i <= 9; ++i)
            options.push(el('option', {
                value : String(i),
                text : hasInputName(i) ? `${inputName(i)} (${inputTag(i)})` : inputTag(i)
            }));
        // While a change is on its way the choice stays as made; otherwise the switcher's word counts.
        if (!pending?.qvSources) {
            select.replaceChildren(...options);
            select.value = value === null || value === undefined ? '' : String(value + 1);
        }
        select.parentElement.classList.toggle('pending', !!pending?.qvSources &&
                                                             pending.qvSources[w - 1] !== (value ?? -1) + 1);
    }
}

async function setMultiview(body) {
    ui.mvPending = body;
    renderMultiview();
    try {
        await request('PUT', `/api/devices/${ui.device}/multiview`, body);
    } catch (error) {
        failed(error);
    }
    ui.mvPending = null;
    renderMultiview();
}

function chooseQuickView(select) {
    const known = state()?.qvSources;
    if (!known || known.some((v) => v === null)) {
        toast('The quick-view sources are not known yet: try again in a moment.');
        return;
    }
    const sources = known.map((v) => v + 1);
    sources[Number(select.dataset.window) - 1] = Number(select.value);
    setMultiview({qvSources : sources});
}

// ---- presets ----

function presetMatches(preset) {
    const s = state();
    if (!s?.routing)
        return false;
    return preset.routing.every((input, k) => input === null || s.routing[k] === input - 1) &&
           (preset.mvMode === null || preset.mvMode === s.mvMode);
}

function presetSummary(preset) {
    const inputs = [...new Set(preset.routing.filter((i) => i !== null)) ];
    const names =
        inputs.slice(0, 3).map(inputName).join(', ') + (inputs.length > 3 ? ` +${inputs.length - 3}` : '');
    const mode = preset.mvMode === 1 ? '2×2' : preset.mvMode === 0 ? '3×3' : '';
    return [ names, mode ].filter(Boolean).join(' · ');
}

function renderPresets() {
    const list = $('presets');
    const presets = model.presets[ui.device] || [];
    const editing = list.querySelector('li.editing, li.confirming');
    if (editing && presets.some((p) => String(p.id) === editing.dataset.id))
        return; // keep the edit open
    list.replaceChildren();
    if (!presets.length)
        list.append(
            el('li', {class : 'empty', text : 'No presets yet. Set the room up, then save it here.'}));
    for (const preset of presets) {
        const active = presetMatches(preset);
        list.append(el(
            'li', {class : `preset${active ? ' active' : ''}`, 'data-id' : preset.id},
            el('button', {
                type : 'button',
                class : 'recall',
                'data-act' : 'recall',
                'aria-label' : `Recall ${preset.name}${active ? ' (matches now)' : ''}`
            },
               el('span', {class : 'pname', text : preset.name}),
               el('span', {class : 'psum'}, active ? el('span', {class : 'badge', text : 'On now · '}) : null,
                  presetSummary(preset))),
            iconButton('rename', kPencilIcon, `Rename ${preset.name}`, 'quiet'),
            iconButton('delete', kTrashIcon, `Delete ${preset.name}`, 'quiet danger')));
    }
}

async function savePreset(event) {
    event.preventDefault();
    const field = $('preset-name');
    const name = field.value.trim();
    if (!name) {
        toast('Give the preset a name.');
        field.focus();
        return;
    }
    if (codePoints(name) > kNameLength) {
        toast(`A preset name has at most ${kNameLength} characters.`);
        return;
    }
    try {
        await request('POST', `/api/devices/${ui.device}/presets`, {name});
        field.value = '';
        toast(`Saved “${name}”.`, 'info');
    } catch (error) {
        failed(error);
    }
}

async function presetAction(item, act) {
    const id = Number(item.dataset.id);
    const preset = (model.presets[ui.device] || []).find((p) => p.id === id);
    if (!preset)
        return;
    const base = `/api/devices/${ui.device}/presets/${id}`;
    if (act === 'recall') {
        item.classList.add('busy');
        try {
            const result = await request('POST', `${base}/recall`, {});
            const skipped = result?.skipped || [];
            let text =
                result?.changes?.length ? `Recalled “${preset.name}”.` : `“${preset.name}” was already on.`;
            if (skipped.length)
                text +=
                    ` Left as they were (locked): ${skipped.map((s) => outputName(s.output)).join(', ')}.`;
            toast(text, skipped.length ? 'warn' : 'info');
        } catch (error) {
            failed(error);
        }
        item.classList.remove('busy');
    } else if (act === 'rename') {
        item.classList.add('editing');
        const field =
            el('input',
               {value : preset.name, 'aria-label' : `New name for ${preset.name}`, autocomplete : 'off'});
        const form = el(
            'form', {class : 'row'}, field, el('button', {type : 'submit', class : 'primary', text : 'Save'}),
            el('button', {type : 'button', class : 'quiet', 'data-act' : 'cancel', text : 'Cancel'}));
        form.addEventListener('submit', async (event) => {
            event.preventDefault();
            const name = field.value.trim();
            if (name === preset.name)
                return closeEdit(item);
            try {
                await request('PUT', base, {name});
                closeEdit(item);
            } catch (error) {
                failed(error);
                field.focus();
            }
        });
        field.addEventListener('keydown', (event) => {
            if (event.key === 'Escape')
                closeEdit(item);
        });
        item.replaceChildren(form);
        field.focus();
        field.select();
    } else if (act === 'delete') {
        item.classList.add('confirming');
        const yes =
            el('button',
               {type : 'button', class : 'danger solid', 'data-act' : 'confirm-delete', text : 'Delete'});
        item.replaceChildren(
            el('span', {class : 'ask', text : `Delete “${preset.name}”?`}), yes,
            el('button', {type : 'button', class : 'quiet', 'data-act' : 'cancel', text : 'Keep'}));
        yes.focus();
    } else if (act === 'confirm-delete') {
        try {
            await request('DELETE', base);
            toast(`Deleted “${preset.name}”.`, 'info');
        } catch (error) {
            failed(error);
        }
        closeEdit(item);
    } else if (act === 'cancel') {
        closeEdit(item);
    }
}

function closeEdit(item) {
    item.classList.remove('editing', 'confirming');
    renderPresets();
    $('presets').querySelector(`li[data-id="${item.dataset.id}"] .recall`)?.focus();
}

// ---- activity ----

// The time of day for today's entries, with the date before it for older ones.
function when(iso) {
    const date = new Date(iso);
    if (date.toDateString() === new Date().toDateString())
        return clock(iso);
    return `${date.toLocaleDateString([], {day : 'numeric', month : 'short'})} ${clock(iso, false)}`;
}

function whoText(who = {}) {
    switch (who.kind) {
    case 'panel':
        return `${who.label || 'panel'}${who.address ? ` · ${who.address}` : ''}`;
    case 'router':
        return `${who.label || 'router client'} (router)`;
    case 'protocol':
        return `Control software${who.address ? ` · ${who.address}` : ''}`;
    case 'device':
        return 'On the switcher';
    default:
        return who.label || '';
    }
}

function renderActivity() {
    const entries = (model.activity[ui.device] || []).slice(-100).reverse();
    const list = $('activity');
    list.replaceChildren(...entries.map((e) => el('li', {class : `act ${e.who?.kind || ''}`},
                                                  el('time', {dateTime : e.time, text : when(e.time)}),
                                                  el('span', {class : 'what', text : e.text}),
                                                  el('span', {class : 'who', text : whoText(e.who)}))));
    if (!entries.length)
        list.append(el('li', {class : 'empty', text : 'Nothing has changed yet.'}));
}

// ---- the line, the devices, the connection ----

function renderLine() {
    const line = model.line;
    const box = $('line');
    if (!line)
        return;
    const words = {
        on : 'On',
        connecting : 'Connecting…',
        lost : 'Lost, retrying',
        off : 'Off',
        searching : 'Searching…'
    };
    box.className = `line ${line.state}`;
    box.querySelector('.text').textContent = `${line.name} · ${words[line.state] || line.state}`;
    box.title = line.reason || '';
    const banner = $('line-banner');
    banner.hidden = line.state === 'on';
    if (line.state !== 'on') {
        let text =
            `The line ${line.name} is ${words[line.state]?.toLowerCase().replace('…', '') || line.state}`;
        if (line.reason)
            text += `: ${line.reason}`;
        if (line.retryAt)
            text += `. Next try at ${clock(line.retryAt)}`;
        banner.textContent = `${text}. Routing waits until it is back.`;
    }
}

function renderDevices() {
    const nav = $('devices');
    nav.replaceChildren(...model.devices.map((d) => {
        const button = el('button', {
            type : 'button',
            class : `device${d.answering === false ? ' silent' : ''}`,
            'data-device' : d.id,
            text : `Switcher ${d.id}`
        });
        if (d.id === ui.device)
            button.setAttribute('aria-current', 'true');
        if (d.answering === false)
            button.title = 'Not answering';
        return button;
    }));
    nav.classList.toggle('single', model.devices.length < 2);
}

function renderAll() {
    renderLine();
    renderDevices();
    renderRouting();
    renderMultiview();
    renderPresets();
    renderActivity();
}

function chooseDevice(id) {
    if (!model.states[id] || id === ui.device)
        return;
    ui.device = id;
    ui.selected.clear();
    ui.pending.clear();
    history.replaceState(null, '', `#${id}`);
    renderAll();
}

function setConnected(on) {
    ui.connected = on;
    $('connection').hidden = on;
    $('main').inert = !on;
    document.body.classList.toggle('offline', !on);
    if (!on) {
        ui.pending.clear();
        ui.mvPending = null;
    }
}

function applyState(address, changes) {
    const s = model.states[address];
    if (!s)
        return;
    for (const [member, value] of Object.entries(changes)) {
        if (value === null)
            delete s[member];
        else
            s[member] = value;
    }
    if (changes.routing)
        for (const [o, input] of ui.pending)
            if (shownInput(o) === input && address === ui.device)
                ui.pending.delete(o);
}

const pad = (n) => String(n).padStart(2, '0');

function onMessage(message) {
    const id = message.address === undefined ? null : pad(message.address);
    switch (message.type) {
    case 'snapshot':
        model.login = !!message.login;
        model.line = message.line;
        model.devices = message.devices || [];
        model.states = message.states || {};
        model.presets = message.presets || {};
        model.activity = message.activity || {};
        $('logout').hidden = !model.login;
        if (!model.states[ui.device]) {
            const wanted = location.hash.slice(1);
            ui.device =
                model.states[wanted] ? wanted : model.devices[0]?.id || Object.keys(model.states)[0] || null;
        }
        ui.built = null;
        renderAll();
        // Marks for tests and measurements: drawn once, and how many snapshots so far.
        if (!document.body.dataset.ready)
            performance.mark('korvex-ready');
        document.body.dataset.ready = '1';
        document.body.dataset.snapshots = String(Number(document.body.dataset.snapshots || 0) + 1);
        return;
    case 'line':
        model.line = message.line;
        renderLine();
        return;
    case 'devices':
        model.devices = message.devices;
        renderDevices();
        return;
    case 'state':
        applyState(id, message.changes);
        break;
    case 'names':
        if (model.states[id])
            model.states[id].names = message.names;
        break;
    case 'locks':
        if (model.states[id])
            model.states[id].locks = message.locks;
        if (id === ui.device)
            for (let o = 1; o <= kOutputs; ++o)
                if (lockOf(o))
                    ui.selected.delete(o);
        break;
    case 'presets':
        model.presets[id] = message.presets;
        break;
    case 'activity':
        model.activity[id] = (model.activity[id] || []).concat(message.entries).slice(-500);
        if (id === ui.device)
            renderActivity();
        return;
    default:
        return;
    }
    if (id !== ui.device)
        return;
    renderRouting();
    renderMultiview();
    renderPresets();
}

// ---- wiring ----

function showView(view) {
    document.body.dataset.view = view;
    for (const tab of document.querySelectorAll('.tabs button'))
        if (tab.dataset.view === view)
            tab.setAttribute('aria-current', 'page');
        else
            tab.removeAttribute('aria-current');
    sessionStorage.setItem('korvex.view', view);
}

function wire() {
    $('outputs').addEventListener('click', (event) => {
        const card = event.target.closest('.out');
        if (!card || ui.renaming)
            return;
        const o = Number(card.dataset.output);
        if (event.target.closest('.lock'))
            toggleLock(o);
        else if (event.target.closest('.pick'))
            toggleOutput(o);
    });
    $('sources').addEventListener('click', (event) => {
        const cell = event.target.closest('.src-cell');
        if (cell && !ui.renaming && event.target.closest('.source'))
            chooseSource(Number(cell.dataset.input));
    });
    $('grid').addEventListener('click', (event) => {
        const button = event.target.closest('.xp');
        if (!button)
            return;
        const o = Number(button.dataset.output);
        const i = Number(button.dataset.input);
        if (lockOf(o))
            toast(lockMessage(o));
        else if (shownInput(o) !== i)
            route([ o ], i);
    });
    for (const container of [$('outputs'), $('sources')]) {
        container.addEventListener('change', (event) => {
            if (event.target.classList.contains('rename'))
                saveName(event.target);
        });
        container.addEventListener('keydown', (event) => {
            const field = event.target;
            if (!field.classList.contains('rename'))
                return;
            if (event.key === 'Enter')
                field.blur();
            if (event.key === 'Escape') {
                const kind = field.dataset.kind;
                field.value = state()?.names?.[kind]?.[Number(field.dataset.n) - 1] || '';
                field.blur();
            }
        });
    }
    $('select-all').addEventListener('click', () => {
        for (let o = 1; o <= kOutputs; ++o)
            if (!lockOf(o))
                ui.selected.add(o);
        renderRouting();
    });
    $('clear').addEventListener('click', () => {
        ui.selected.clear();
        renderRouting();
    });
    $('rename').addEventListener('click', () => setRenaming(!ui.renaming));
    $('mv-mode').addEventListener('click', (event) => {
        const button = event.target.closest('button');
        if (button && Number(button.dataset.mode) !== state()?.mvMode)
            setMultiview({mvMode : Number(button.dataset.mode)});
    });
    $('qv').addEventListener('change', (event) => {
        if (event.target.matches('select') && event.target.value)
            chooseQuickView(event.target);
    });
    $('save-preset').addEventListener('submit', savePreset);
    $('presets').addEventListener('click', (event) => {
        const button = event.target.closest('button[data-act]');
        if (button)
            presetAction(button.closest('li'), button.dataset.act);
    });
    $('devices').addEventListener('click', (event) => {
        const button = event.target.closest('[data-device]');
        if (button)
            chooseDevice(button.dataset.device);
    });
    document.querySelector('.tabs').addEventListener('click', (event) => {
        const tab = event.target.closest('button[data-view]');
        if (tab)
            showView(tab.dataset.view);
    });
    $('logout').addEventListener('click', async () => {
        try {
            await request('POST', '/logout', {});
        } catch {
            // Gone already: the login page says the rest.
        }
        toLogin();
    });
    const user = $('user');
    user.value = localStorage.getItem('korvex.user') || '';
    setUser(user.value.trim());
    user.addEventListener('change', () => {
        const name = [...user.value.trim() ].slice(0, kNameLength).join('');
        user.value = name;
        localStorage.setItem('korvex.user', name);
        setUser(name);
    });
    document.addEventListener('keydown', (event) => {
        if (event.key === 'Escape' && ui.selected.size && !event.target.closest('input, select')) {
            ui.selected.clear();
            renderRouting();
        }
    });
    window.addEventListener('hashchange', () => chooseDevice(location.hash.slice(1)));
    const view = sessionStorage.getItem('korvex.view');
    if (view)
        showView(view);
}

wire();
setConnected(false);
$('connection').hidden = true; // the first connection is not a lost one
const events = new Events(onMessage, (on) => { setConnected(on); });
events.start();
