// Finds where a user would type a new post's subject and body on the page shown and writes them
// there as typing would, for the parts that no field named "subject" or "body" took.
// Runs in the program's isolated world, so page scripts neither see nor change it, and is called
// with one JSON object { subject, body, fillSubject, fillBody }: the texts are only ever read as
// data and always arrive as text, never as markup. Returns { subject, body }: which were written.
//
// The page's structure decides, never its address:
// - the body goes into the largest visible, editable, multi-line surface (a textarea, an editing
//   host with contenteditable, or the editable document of a same-origin frame) that sits in a
//   form or composer holding a control that sends it. Originals hidden behind an editor are not
//   visible and so are never written: the editor copies its own text back on submit;
// - the subject goes into a visible single-line text input of the same form or composer whose
//   name, id, class, placeholder, aria-label or label says subject, title or topic; failing that
//   into the last plain text input before the body that is not for a user name, password, e-mail,
//   web address, search, tags, captcha or a number;
// - without a body surface nothing at all is written.
(function (args) {
    'use strict';

    // A body surface must have room for more than two lines of its own text: smaller boxes are
    // comment or chat lines, not where a post is written.
    const MIN_BODY_LINES = 2.5;

    const SUBJECT_WORDS = /subject|title|topic|betreff|titel|sujet|titre|asunto|t[ií]tulo|oggetto|onderwerp|temat|тема|主题|件名/i;
    // Inputs for anything but a subject, by their name, id, class, placeholder, label or autofill.
    const NOT_SUBJECT = new RegExp(
        [
            'user', 'login', 'nick', 'name', 'author', 'benutzer', // user names
            'pass', 'pwd', // passwords
            'mail', // e-mail
            'url', 'web', 'site', 'homepage', 'link', 'http', // web addresses
            'search', 'query', 'find', 'suche', 'recherche', 'busca', // search
            'tag', // tags
            'captcha', 'verif', 'security', 'challenge', 'code', // captchas
            'number', 'phone', 'zip', 'postal', 'amount', 'qty', 'quantity', 'price', // numbers
        ].join('|'),
        'i');
    // Names and ids that rule an input out even when its other attributes say "title".
    const NOT_SUBJECT_NAME = /tag|captcha|search|user|pass|mail|url/i;
    const TEXT_INPUT_TYPES = new Set(['text', '']);

    const written = { subject: false, body: false };
    const top = document;

    function styleOf(element) {
        return element.ownerDocument.defaultView.getComputedStyle(element);
    }

    // Laid out, not hidden, not pushed off the page and not inert.
    function visible(element) {
        const rect = element.getBoundingClientRect();
        if (rect.width < 1 || rect.height < 1)
            return false;
        const view = element.ownerDocument.defaultView;
        if (rect.right + view.scrollX <= 0 || rect.bottom + view.scrollY <= 0)
            return false;
        if (element.closest('[inert]'))
            return false;
        const style = styleOf(element);
        return style.visibility === 'visible' && parseFloat(style.opacity) > 0;
    }

    function lineHeight(style) {
        const line = parseFloat(style.lineHeight);
        return Number.isFinite(line) ? line : parseFloat(style.fontSize) * 1.2;
    }

    function ariaRefuses(element) {
        return element.getAttribute('aria-readonly') === 'true' || element.getAttribute('aria-disabled') === 'true';
    }

    // --- Controls that send a post ---

    // A submit button, or a script-driven button that says something: toolbar buttons of editors
    // are pictures without text (or links), so they do not count.
    function sends(control) {
        if (control.localName === 'input') {
            if (control.type === 'submit' || control.type === 'image')
                return true;
            return control.type === 'button' && control.value.trim() !== '';
        }
        if (control.type === 'submit')
            return true;
        return control.type === 'button' && control.textContent.trim() !== '';
    }

    const SENDER_SELECTOR = 'button, input[type=submit i], input[type=image i], input[type=button i]';
    // Whether an element holds a sending control (a form also those it owns from elsewhere),
    // asked only for the elements around a surface that could take the body, and kept.
    const holdsSender = new Map();
    function holdsSenderIn(node) {
        let holds = holdsSender.get(node);
        if (holds === undefined) {
            const controls = node.localName === 'form' ? node.elements : node.querySelectorAll(SENDER_SELECTOR);
            holds = Array.prototype.some.call(controls, control =>
                (control.localName === 'button' || control.localName === 'input') && sends(control));
            holdsSender.set(node, holds);
        }
        return holds;
    }

    // The form or composer a surface belongs to: its form when that can be sent, otherwise the
    // nearest element around it that holds a sending control; null when nothing can send it.
    function containerOf(anchor) {
        const form = anchor.form || anchor.closest('form');
        for (let node = form || anchor.parentElement; node; node = node.parentElement)
            if (holdsSenderIn(node))
                return node;
        return null;
    }

    // --- The body ---

    function frameDocument(frame) {
        try {
            const doc = frame.contentDocument;
            if (!doc || !doc.body)
                return null;
            return doc.designMode === 'on' || doc.body.isContentEditable ? doc : null;
        } catch (failure) {
            return null; // another origin
        }
    }

    // Candidates: { anchor (the element in the top document), target (what gets the text), kind }.
    // Only the cheap tests here; the rest waits until the surface is among the largest.
    function bodySurfaces() {
        const surfaces = [];
        for (const element of top.querySelectorAll('textarea, iframe, [contenteditable]')) {
            if (element.localName === 'textarea') {
                surfaces.push({ anchor: element, target: element, kind: 'field' });
            } else if (element.localName === 'iframe') {
                const doc = frameDocument(element);
                if (doc)
                    surfaces.push({ anchor: element, target: doc.body, kind: 'rich' });
            } else if (element.isContentEditable && !(element.parentElement && element.parentElement.isContentEditable)) {
                surfaces.push({ anchor: element, target: element, kind: 'rich' });
            }
        }
        return surfaces;
    }

    function editable(surface) {
        const element = surface.anchor;
        if (ariaRefuses(element))
            return false;
        if (surface.kind === 'field')
            return !element.matches(':disabled') && !element.readOnly;
        return element.localName === 'iframe' || element.getAttribute('aria-multiline') !== 'false';
    }

    // Room in CSS pixels for the surface's text, in lines of that text.
    function roomInLines(surface) {
        const element = surface.anchor;
        const style = styleOf(surface.kind === 'rich' && element.localName === 'iframe' ? surface.target : element);
        const box = styleOf(element);
        const height = element.clientHeight - parseFloat(box.paddingTop) - parseFloat(box.paddingBottom);
        return height / lineHeight(style);
    }

    // The largest surface that passes every test: sizes first, since they are cheap to read, then
    // the other tests from the largest down until one passes.
    function findBody() {
        const surfaces = [];
        for (const surface of bodySurfaces()) {
            const rect = surface.anchor.getBoundingClientRect();
            surface.area = rect.width * rect.height;
            if (surface.area >= 1)
                surfaces.push(surface);
        }
        surfaces.sort((a, b) => b.area - a.area);
        for (const surface of surfaces) {
            if (!editable(surface) || !visible(surface.anchor) || roomInLines(surface) < MIN_BODY_LINES)
                continue;
            surface.container = containerOf(surface.anchor);
            if (surface.container)
                return surface;
        }
        return null;
    }

    // The element named "body" that was just written as a field, when it can be seen: the
    // subject is looked for beside it.
    function namedBody() {
        for (const form of top.forms)
            for (const element of form.elements)
                if (element.getAttribute('name') === 'body' && visible(element))
                    return { anchor: element, target: element, kind: 'field', container: form };
        return null;
    }

    // --- The subject ---

    // Label texts by the id they are for, gathered once.
    let labelsFor = null;
    function labelText(input) {
        if (!labelsFor) {
            labelsFor = new Map();
            for (const label of top.querySelectorAll('label[for]'))
                labelsFor.set(label.htmlFor, (labelsFor.get(label.htmlFor) || '') + ' ' + label.textContent);
        }
        const wrapping = input.closest('label');
        return (input.id ? labelsFor.get(input.id) || '' : '') + (wrapping ? ' ' + wrapping.textContent : '');
    }

    function describe(input) {
        return [input.name, input.id, input.className, input.placeholder, input.getAttribute('aria-label') || '',
                input.getAttribute('autocomplete') || '', labelText(input)].join(' ');
    }

    function inputsOf(container) {
        if (container.localName === 'form')
            return Array.from(container.elements).filter(element => element.localName === 'input');
        return Array.from(container.querySelectorAll('input'));
    }

    function typable(input) {
        return TEXT_INPUT_TYPES.has(input.getAttribute('type') === null ? '' : input.type) && !input.disabled &&
               !input.readOnly && !ariaRefuses(input) && input.inputMode !== 'numeric' && input.inputMode !== 'decimal';
    }

    function before(element, anchor) {
        return (element.compareDocumentPosition(anchor) & Node.DOCUMENT_POSITION_FOLLOWING) !== 0;
    }

    function findSubject(body) {
        const inputs = inputsOf(body.container).filter(typable);
        // Named for a subject: the nearest before the body, else the first after it.
        let after = null;
        for (let i = inputs.length - 1; i >= 0; --i) {
            const input = inputs[i];
            if (!SUBJECT_WORDS.test(describe(input)) || NOT_SUBJECT_NAME.test(input.name + ' ' + input.id) ||
                !visible(input))
                continue;
            if (before(input, body.anchor))
                return input;
            after = input;
        }
        if (after)
            return after;
        // Otherwise the last plain text box before the body.
        for (let i = inputs.length - 1; i >= 0; --i) {
            const input = inputs[i];
            if (before(input, body.anchor) && !NOT_SUBJECT.test(describe(input)) && visible(input))
                return input;
        }
        return null;
    }

    // --- Writing like typing ---

    // Selects everything in the element, as Ctrl+A would, in its own document.
    function selectAll(target, kind) {
        const doc = target.ownerDocument;
        if (doc !== top && doc.defaultView)
            doc.defaultView.focus();
        target.focus({ preventScroll: true });
        if (kind === 'field') {
            target.select();
        } else {
            const range = doc.createRange();
            range.selectNodeContents(target);
            const selection = doc.getSelection();
            selection.removeAllRanges();
            selection.addRange(range);
        }
    }

    function contentOf(target, kind) {
        return kind === 'field' ? target.value : target.textContent;
    }

    // Text and paragraph breaks through the editing commands, which raise beforeinput and input
    // as typing does; editors listen to them. A field takes the whole text at once, newlines and
    // all; a rich editor gets each line, with Enter between them.
    function typeText(target, kind, text) {
        const doc = target.ownerDocument;
        selectAll(target, kind);
        if (text === '')
            return doc.execCommand('delete', false);
        if (kind === 'field')
            return doc.execCommand('insertText', false, text);
        const lines = text.split('\n');
        let ok = true;
        lines.forEach((line, index) => {
            if (index > 0)
                ok = doc.execCommand('insertParagraph', false) && ok;
            if (line !== '')
                ok = doc.execCommand('insertText', false, line) && ok;
            // An empty first line still replaces what the editor held.
            else if (index === 0)
                ok = doc.execCommand('delete', false) && ok;
        });
        return ok;
    }

    // The value and its events, for a field whose page refused the editing commands.
    function setValue(target, text) {
        target.value = text;
        target.dispatchEvent(new Event('input', { bubbles: true }));
        target.dispatchEvent(new Event('change', { bubbles: true }));
    }

    // Lines as text nodes with breaks, for an editing host that took no command.
    function setLines(target, text) {
        const doc = target.ownerDocument;
        target.textContent = '';
        text.split('\n').forEach((line, index) => {
            if (index > 0)
                target.appendChild(doc.createElement('br'));
            target.appendChild(doc.createTextNode(line));
        });
        target.dispatchEvent(new InputEvent('input', { bubbles: true, inputType: 'insertText', data: text }));
    }

    function write(target, kind, text) {
        const was = contentOf(target, kind);
        const typed = typeText(target, kind, text);
        const now = contentOf(target, kind);
        // Typing that changed nothing where a change was due did not reach the element.
        if (!typed && now === was && was !== text) {
            if (kind === 'field')
                setValue(target, text);
            else
                setLines(target, text);
        }
    }

    // --- Focus and scroll, put back afterwards ---

    function remember() {
        const state = { active: top.activeElement, x: window.scrollX, y: window.scrollY, inner: null, selection: null };
        const active = state.active;
        if (active && active.localName === 'iframe') {
            try {
                const doc = active.contentDocument;
                if (doc)
                    state.inner = { doc, active: doc.activeElement, ranges: ranges(doc) };
            } catch (failure) {
                // another origin: its focus is its own
            }
        } else if (active && 'selectionStart' in active) {
            try {
                state.selection = [active.selectionStart, active.selectionEnd, active.selectionDirection];
            } catch (failure) {
                // inputs without a text selection
            }
        } else if (active && active.isContentEditable) {
            state.ranges = ranges(top);
        }
        return state;
    }

    function ranges(doc) {
        const selection = doc.getSelection();
        const list = [];
        for (let i = 0; selection && i < selection.rangeCount; ++i)
            list.push(selection.getRangeAt(i).cloneRange());
        return list;
    }

    function restoreRanges(doc, list) {
        const selection = doc.getSelection();
        if (!selection || !list)
            return;
        selection.removeAllRanges();
        for (const range of list)
            selection.addRange(range);
    }

    function restore(state, touched) {
        const active = state.active;
        if (!active || active === top.body || active === top.documentElement) {
            if (top.activeElement && top.activeElement !== top.body)
                top.activeElement.blur();
        } else {
            if (active.localName === 'iframe' && state.inner) {
                active.focus({ preventScroll: true });
                const inner = state.inner;
                if (inner.active && inner.active !== inner.doc.body && !inner.active.isContentEditable)
                    inner.active.focus({ preventScroll: true });
                else if (inner.doc.body)
                    inner.doc.body.focus({ preventScroll: true });
                if (!touched.has(inner.doc.body))
                    restoreRanges(inner.doc, inner.ranges);
            } else {
                active.focus({ preventScroll: true });
                if (!touched.has(active)) {
                    if (state.selection)
                        active.setSelectionRange(state.selection[0], state.selection[1], state.selection[2]);
                    else if (state.ranges)
                        restoreRanges(top, state.ranges);
                }
            }
        }
        window.scrollTo(state.x, state.y);
    }

    if (!args.fillSubject && !args.fillBody)
        return written;
    const state = remember();
    const touched = new Set();
    try {
        const body = args.fillBody ? findBody() : (namedBody() || findBody());
        if (!body)
            return written;
        const subject = args.fillSubject ? findSubject(body) : null;
        // The text as a line editor or memo gives it: the page sees newlines only.
        const bodyText = String(args.body).replace(/\r\n?/g, '\n');
        const last = window.threadwickLastFill || (window.threadwickLastFill = { subject: [], body: [] });
        if (subject) {
            last.subject.push(subject);
            touched.add(subject);
            write(subject, 'field', String(args.subject).replace(/\r\n?|\n/g, ' '));
            written.subject = true;
        }
        if (args.fillBody) {
            last.body.push(body.anchor);
            touched.add(body.target);
            write(body.target, body.kind, bodyText);
            written.body = true;
        }
    } catch (failure) {
        // A page that breaks the search or the writing keeps what was written so far.
    } finally {
        restore(state, touched);
    }
    return written;
})
