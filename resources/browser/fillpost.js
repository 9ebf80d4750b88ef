// Finds where a user would type a new post's subject and body on the page shown, writes them there
// as typing would, checks that the page really took them, and tells where they went so that the
// pane can show it. Runs in the program's isolated world, so page scripts neither see nor change
// it, and is called with one JSON object { step, ... }: the texts are only ever read as data and
// always arrive as text, never as markup.
//
// The pipeline, one step per call ("start" begins the record of a new Auto Insert; the pane waits
// between "write" and "check" so that the page's editors can react to the typing first):
// 1. find the surfaces ("write": findSurfaces)
//    - the body goes into the largest visible, editable, multi-line surface (a textarea, an
//      editing host with contenteditable, or the editable document of a same-origin frame) that
//      sits in a form or composer holding a control that sends it. Multi-line means room for more
//      than two lines of its own text, or for about two where the box says it is the post's body
//      (its name, id, class, placeholder, aria-label or label says body, message, post, content,
//      text, reply or comment) or is the only multi-line box of its form or composer (a title
//      area aside): message boxes that grow with their text start that small. Originals hidden
//      behind an editor are not visible and so are never written: the editor copies its own text
//      back on submit. A composer whose send control comes only later (once the title is typed)
//      is known by the box for the title that shares a region with the body;
//    - nothing out of the user's reach counts: a surface, box or control that is hidden, inert
//      or behind an open modal dialog is neither written nor a sending control. Only the body's
//      own form may hold a send control that is merely not shown yet (comment forms show theirs
//      once the box has the focus): one hidden anywhere else around the body sends nothing;
//    - a control sends when it is a submit button or a script-driven button with a caption, but
//      not when it is a formatting button, which is never explicitly a submit (it is type=button,
//      or has no type, as in an editor's own form) and whose title, aria-label or whole caption
//      names a format, or that sits in an editor's toolbar, or whose caption has one to three
//      characters ("B", "I", "</>"); and never one without a caption (icon buttons whose only
//      text is a zero-width space);
//    - the subject goes into a visible text box (an input, or a textarea of any height other
//      than the body: titles that grow start at two rows) whose name, id, class, placeholder,
//      aria-label or label says subject, title or topic. It is looked for in widening regions
//      around the body, from the body's parent out, in the first region that holds such a box,
//      whether a send control is there yet or not; the widening stops at a landmark (main,
//      dialog, article) or at the outermost form around the body when that form can be sent by
//      itself (an editor may wrap itself in a form of its own; a composer may give its message
//      and its title a form each). A box in another form that is sent without the body (a
//      search) is never the subject's. A box named so by its name, id, label, placeholder or
//      aria-label wins over one that only a class or a hint calls a title; then the nearest
//      before the body, else the first after it;
//    - failing a named box, the subject goes into a text box only where that cannot be wrong:
//      the one visible text box of the body's form or composer that nothing (label, placeholder,
//      aria-label, title, autofill hint, or a name or id beyond generic words such as "field" or
//      "input") names as anything at all, when every other text box there says it is for a
//      user name, e-mail, web address, search or the like. A guestbook's "Your name" and "City"
//      never get a subject;
//    - without a body surface nothing at all is written; only the parts asked for are looked for,
//      and the pane asks only for parts that are not empty, so an empty part never erases the
//      page's own text. The pane is told whether there was a posting form and a subject box, and
//      takes the keyboard focus only for a page that has somewhere to write.
// 2. write ("write": writeParts): into a field the whole text at once, as a paste would, with
//    the events typing raises; into a rich editor line by line through the editing commands, so
//    that the editor sees what changed. Every element written is recorded on
//    window.threadwickLastFill as { subject: [...], body: [...] } (for a frame editor its frame
//    element), beside the elements the fields named "subject" and "body" took.
// 3. read back ("check": readBack): a fill is not believed. What each surface holds is compared
//    with the text; where an editor threw the typing away (editors that take typing only from
//    beforeinput redraw themselves from their own model), a synthetic paste of the text follows
//    (a field is typed into through the editing commands instead), and the pane checks once
//    more ("check" with final). Text that is there is still not proof that the editor heard
//    it: when a send control of the composer that was disabled before the write still is, or
//    the editor still marks itself empty for its placeholder, the text goes in the second way
//    too. Only then does a part count as written; a part that did not arrive is taken off the
//    record.
//    The paste comes only after a failed check: some editors handle a synthetic paste badly.
// 4. show ("show": measureFilled): where the recorded elements are on screen, for the pane's
//    outline. The outline is drawn by the program over the view, never in the page.
// The keyboard focus, selection and scroll position of the page go back to what they were after
// every step that moved them; the scroll positions (of the page and of the boxes around the
// surfaces) as they were before the first write, since editors scroll themselves into view on
// their next frame, after the step that wrote.
(function (args) {
    'use strict';

    // A body surface must have room for more than two lines of its own text: smaller boxes are
    // comment or chat lines, not where a post is written ...
    const MIN_BODY_LINES = 2.5;
    // ... unless it says it is the body or is the only multi-line box around: an auto-growing
    // message box starts at two lines. One-line boxes are never a body.
    const MIN_GROWING_BODY_LINES = 1.5;

    const SUBJECT_WORDS = /subject|title|topic|headline|betreff|titel|sujet|titre|asunto|t[ií]tulo|oggetto|onderwerp|temat|тема|主题|件名/i;
    const BODY_WORDS = new RegExp(
        [
            'body', 'message', 'post', 'content', 'text', 'reply', 'comment', // English
            'nachricht', 'beitrag', 'inhalt', 'antwort', 'kommentar', // German
            'contenu', 'r[ée]ponse', 'commentaire', // French
            'mensaje', 'contenido', 'respuesta', 'comentario', 'mensagem', 'conte[úu]do', // Spanish, Portuguese
            'messaggio', 'contenuto', 'risposta', 'commento', // Italian
            'bericht', 'inhoud', 'reactie', // Dutch
            'wiadomo[śs][ćc]', 'tre[śs][ćc]', 'odpowied[źz]', 'komentarz', // Polish
            'сообщение', 'текст', 'ответ', 'комментарий', // Russian
            '内容', '回复', '正文', '本文', 'メッセージ', '返信', 'コメント', // Chinese, Japanese
        ].join('|'),
        'i');
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
    // Words in a name or id that say nothing about what a box is for.
    const GENERIC_NAME = /^(?:f|t|fld|field|i|in|input|inp|txt|text|textfield|textbox|box|edit|el|elem|element|value|val)$/;
    const TEXT_INPUT_TYPES = new Set(['text', '']);
    // Titles and aria-labels of formatting buttons.
    const FORMAT_WORDS = new RegExp(
        [
            'bold', 'italic', 'underline', 'strike', 'emphasis', 'strong', 'quote', 'code', 'link',
            'image', 'picture', 'photo', 'upload', 'attach', 'emoji', 'smil', 'list', 'bullet', 'heading',
            'font', 'colou?r', 'align', 'indent', 'undo', 'redo', 'table', 'spoiler', 'format', 'mention',
            'fett', 'kursiv', 'gras', 'italique', 'negrita', 'cursiva', 'grassetto', 'corsivo',
        ].join('|'),
        'i');
    // A caption that is nothing but the name of a format.
    const FORMAT_CAPTION = new RegExp('^(?:' + FORMAT_WORDS.source + ')$', 'i');
    const TOOLBAR = '[role=toolbar], [class*=toolbar i], [class*=button-bar i], [class*=buttonbar i]';
    // Where widening the search for the subject stops, besides the outermost form.
    const LANDMARK = 'main, [role=main], dialog, [role=dialog], article';
    // Zero-width characters that editors and icon buttons put into otherwise empty text.
    const ZERO_WIDTH = /[\u200b-\u200d\u2060\ufeff]/g;
    // Captions of this many characters or fewer belong to formatting buttons.
    const MAX_FORMAT_CAPTION = 3;

    const top = document;

    function styleOf(element) {
        return element.ownerDocument.defaultView.getComputedStyle(element);
    }

    // The modal dialog open on the page, if any: everything outside it is out of the user's reach.
    // A dialog opened as modal covers the page with its backdrop, which answers for a point beside
    // it; a dialog that says it is modal (aria-modal) counts when an overlay over the whole window
    // answers there (a banner that merely calls itself modal shuts nothing off).
    let modalDialog;
    function openModal() {
        if (modalDialog !== undefined)
            return modalDialog;
        modalDialog = null;
        for (const dialog of top.querySelectorAll('dialog[open], [aria-modal=true i]')) {
            const rect = dialog.getBoundingClientRect();
            if (rect.width < 1 || rect.height < 1)
                continue;
            // A closed dialog that a page keeps laid out but unseen shuts nothing off.
            const style = styleOf(dialog);
            if (style.visibility !== 'visible' || parseFloat(style.opacity) === 0)
                continue;
            const width = top.documentElement.clientWidth, height = top.documentElement.clientHeight;
            const x = rect.left > 1 ? 0 : Math.min(rect.right + 1, width - 1);
            const y = rect.top > 1 ? 0 : Math.min(rect.bottom + 1, height - 1);
            const hit = top.elementFromPoint(x, y);
            if (!hit || hit === top.body || hit === top.documentElement)
                continue;
            // A page's own modal (aria-modal) lies under an overlay that covers the window.
            const cover = hit.getBoundingClientRect();
            if (hit === dialog || (dialog.localName !== 'dialog' && cover.left <= 0 && cover.top <= 0 &&
                                   cover.right >= width && cover.bottom >= height)) {
                modalDialog = dialog;
                break;
            }
        }
        return modalDialog;
    }

    // Not inert and not behind a modal dialog: the user could use it once it shows.
    function reachable(element) {
        if (element.closest('[inert]'))
            return false;
        return element.ownerDocument !== top || !openModal() || openModal().contains(element);
    }

    // Laid out, not hidden, not pushed off the page, not inert and not behind a modal dialog.
    function visible(element) {
        const rect = element.getBoundingClientRect();
        if (rect.width < 1 || rect.height < 1)
            return false;
        const view = element.ownerDocument.defaultView;
        if (rect.right + view.scrollX <= 0 || rect.bottom + view.scrollY <= 0)
            return false;
        if (!reachable(element))
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

    function attribute(element, name) {
        return element.getAttribute(name) || '';
    }

    // --- Controls that send a post ---

    function captionOf(control) {
        const text = control.localName === 'input' ? control.value : control.textContent;
        return text.replace(ZERO_WIDTH, '').trim();
    }

    function formats(control, caption) {
        // An explicit submit is a sender whatever it says ("OK", "Ask", "Send with attachment").
        if ((control.getAttribute('type') || '').toLowerCase() === 'submit')
            return false;
        if (FORMAT_WORDS.test(attribute(control, 'title') + ' ' + attribute(control, 'aria-label')))
            return true;
        if (FORMAT_CAPTION.test(caption))
            return true;
        return (caption.length > 0 && caption.length <= MAX_FORMAT_CAPTION) || control.closest(TOOLBAR) !== null;
    }

    // A submit button, or a script-driven button that says something; never a formatting button.
    function sends(control) {
        if (control.localName === 'input') {
            if (control.type === 'image')
                return true;
            if (control.type !== 'submit' && control.type !== 'button')
                return false;
            // A submit without a value shows the browser's own caption.
            const caption = control.type === 'submit' && !control.hasAttribute('value') ? 'Submit' : captionOf(control);
            return caption !== '' && !formats(control, caption);
        }
        if (control.type !== 'submit' && control.type !== 'button')
            return false;
        const caption = captionOf(control);
        return caption !== '' && !formats(control, caption);
    }

    const SENDER_SELECTOR = 'button, input[type=submit i], input[type=image i], input[type=button i]';
    // The sending controls an element holds (a form also those it owns from elsewhere) that the
    // user can reach: one that is hidden, inert or behind a modal dialog sends nothing now. Asked
    // only for the elements around a surface that could take the body, and kept.
    const sendersIn = new Map();
    function sendersOf(node) {
        let senders = sendersIn.get(node);
        if (senders === undefined) {
            const controls = node.localName === 'form' ? node.elements : node.querySelectorAll(SENDER_SELECTOR);
            senders = Array.prototype.filter.call(controls, control =>
                (control.localName === 'button' || control.localName === 'input') && sends(control) &&
                visible(control));
            sendersIn.set(node, senders);
        }
        return senders;
    }
    function holdsSenderIn(node) {
        return sendersOf(node).length > 0;
    }

    // A send control of the form itself that is only not shown yet (comment forms show theirs once
    // the box has the focus or holds text); never one that is inert or behind a modal dialog.
    function sendsLater(form) {
        return Array.prototype.some.call(form.elements, control =>
            (control.localName === 'button' || control.localName === 'input') && sends(control) &&
            reachable(control));
    }

    // The form or composer a surface belongs to: its form when that can be sent, now or once its
    // send control shows, otherwise the nearest element around it that holds a sending control;
    // failing that, a composer whose send control comes only later: the nearest region around the
    // surface that holds a box named for the subject, inside the surface's landmark. Null when
    // nothing can send it.
    function containerOf(anchor) {
        const form = anchor.form || anchor.closest('form');
        if (form && (holdsSenderIn(form) || sendsLater(form)))
            return form;
        for (let node = form ? form.parentElement : anchor.parentElement; node; node = node.parentElement)
            if (holdsSenderIn(node))
                return node;
        for (let node = anchor.parentElement; node && node !== top.body && node !== top.documentElement;
             node = node.parentElement) {
            if (boxesIn(node).some(box => box !== anchor && namedSubject(box) && !apart(box, anchor)))
                return node;
            if (node.matches(LANDMARK))
                break;
        }
        return null;
    }

    // --- Step 1: find the surfaces ---

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
        if (ariaRefuses(element) || (surface.target !== element && ariaRefuses(surface.target)))
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

    // Label texts by the id they are for, gathered once.
    let labelsFor = null;
    function labelText(element) {
        if (!labelsFor) {
            labelsFor = new Map();
            for (const label of top.querySelectorAll('label[for]'))
                labelsFor.set(label.htmlFor, (labelsFor.get(label.htmlFor) || '') + ' ' + label.textContent);
        }
        const wrapping = element.closest('label');
        return (element.id ? labelsFor.get(element.id) || '' : '') + (wrapping ? ' ' + wrapping.textContent : '');
    }

    function describe(element) {
        return [attribute(element, 'name'), element.id, attribute(element, 'class'), attribute(element, 'placeholder'),
                attribute(element, 'aria-label'), attribute(element, 'aria-placeholder'),
                attribute(element, 'data-placeholder'), attribute(element, 'title'), attribute(element, 'autocomplete'),
                labelText(element)].join(' ');
    }

    function multiLine(surface) {
        return editable(surface) && visible(surface.anchor) && roomInLines(surface) >= MIN_GROWING_BODY_LINES;
    }

    // A text area of a line or two that names itself for the subject: a title that grows with its
    // text, never a growing body.
    function titleArea(element) {
        return element.localName === 'textarea' && SUBJECT_WORDS.test(describe(element));
    }

    // A box of about two lines is a body when it says so, or when no other multi-line box (title
    // areas aside) shares its form or composer.
    function growingBody(surface, surfaces) {
        if (titleArea(surface.anchor))
            return false;
        if (BODY_WORDS.test(describe(surface.anchor)))
            return true;
        return !surfaces.some(other => other !== surface && surface.container.contains(other.anchor) &&
                                       !titleArea(other.anchor) && multiLine(other));
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
            if (!editable(surface) || !visible(surface.anchor))
                continue;
            const room = roomInLines(surface);
            if (room < MIN_GROWING_BODY_LINES)
                continue;
            surface.container = containerOf(surface.anchor);
            if (!surface.container)
                continue;
            if (room >= MIN_BODY_LINES || growingBody(surface, surfaces))
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

    function typable(box) {
        if (box.disabled || box.readOnly || ariaRefuses(box))
            return false;
        if (box.localName === 'textarea')
            return true;
        return TEXT_INPUT_TYPES.has(box.getAttribute('type') === null ? '' : box.type) &&
               box.inputMode !== 'numeric' && box.inputMode !== 'decimal';
    }

    // A text box whose attributes or label say it is for a subject: an input, or a text area of
    // any height (titles that grow with their text start at two lines; the body, the largest
    // surface, is never looked at here).
    function namedSubject(box) {
        return SUBJECT_WORDS.test(describe(box)) &&
               !NOT_SUBJECT_NAME.test(attribute(box, 'name') + ' ' + box.id) && visible(box);
    }

    // Named so by its name, id, label, placeholder or aria-label, not only by a class or a hint.
    function explicitlyNamed(box) {
        return SUBJECT_WORDS.test([attribute(box, 'name'), box.id, labelText(box), attribute(box, 'placeholder'),
                                   attribute(box, 'aria-label')].join(' '));
    }

    // Nothing says what the box is for: no label, placeholder, aria-label, title or autofill hint,
    // and only generic words in its name and id.
    function unnamed(box) {
        const said = [labelText(box), attribute(box, 'placeholder'), attribute(box, 'aria-label'),
                      attribute(box, 'aria-labelledby'), attribute(box, 'title')].join('').trim();
        const autocomplete = attribute(box, 'autocomplete').trim().toLowerCase();
        if (said !== '' || (autocomplete !== '' && autocomplete !== 'on' && autocomplete !== 'off'))
            return false;
        const words = (attribute(box, 'name') + ' ' + box.id).toLowerCase().split(/[^a-z\u00c0-\uffff]+/);
        return words.every(word => word === '' || GENERIC_NAME.test(word));
    }

    function before(element, anchor) {
        return (element.compareDocumentPosition(anchor) & Node.DOCUMENT_POSITION_FOLLOWING) !== 0;
    }

    function within(region, element) {
        return region.contains(element) || (region.localName === 'form' && element.form === region);
    }

    // The regions around the body, from its parent out to a landmark or to the outermost form
    // around it when that form can be sent by itself: a form that cannot is one part of a larger
    // composer, whose other parts (a title in a form of its own) are looked for too.
    function regionsAround(anchor) {
        const regions = [];
        for (let node = anchor.parentElement; node && node !== top.body && node !== top.documentElement;
             node = node.parentElement) {
            regions.push(node);
            if (node.localName === 'form' && !(node.parentElement && node.parentElement.closest('form')) &&
                holdsSenderIn(node))
                break;
            if (node.matches(LANDMARK))
                break;
        }
        return regions;
    }

    // A box in a form of its own that can be sent without the body (a search box, say) is not the
    // post's.
    function apart(box, anchor) {
        const form = box.form;
        return form !== null && !within(form, anchor) && holdsSenderIn(form);
    }

    function boxesIn(region) {
        const boxes = new Set(region.querySelectorAll('input, textarea'));
        if (region.localName === 'form')
            for (const element of region.elements)
                if (element.localName === 'input' || element.localName === 'textarea')
                    boxes.add(element);
        return Array.from(boxes).filter(box => box !== region && typable(box));
    }

    // The subject's box in the nearest region around the body that holds one, whether or not a
    // send control is there yet; a box named so explicitly wins over one that only a class or a
    // hint calls a title; then the nearest before the body, else the first after it.
    function findSubject(body) {
        const regions = regionsAround(body.anchor);
        if (regions.length > 0) {
            const named = boxesIn(regions[regions.length - 1]).filter(box =>
                box !== body.anchor && namedSubject(box) && !apart(box, body.anchor));
            for (const region of regions) {
                let here = named.filter(box => within(region, box));
                if (here.length === 0)
                    continue;
                const explicit = here.filter(explicitlyNamed);
                if (explicit.length > 0)
                    here = explicit;
                const earlier = here.filter(box => before(box, body.anchor));
                return earlier.length > 0 ? earlier[earlier.length - 1] : here[0];
            }
        }
        // The one text box of the body's form or composer that nothing names, beside boxes that
        // all say they are for something else.
        const boxes = boxesIn(body.container).filter(box =>
            box.localName === 'input' && box !== body.anchor && visible(box));
        const unnamedBoxes = boxes.filter(unnamed);
        if (unnamedBoxes.length !== 1)
            return null;
        return boxes.every(box => box === unnamedBoxes[0] || NOT_SUBJECT.test(describe(box))) ? unnamedBoxes[0] : null;
    }

    function findSurfaces() {
        const body = args.fillBody ? findBody() : (namedBody() || findBody());
        if (!body)
            return null;
        const subject = args.fillSubject ? findSubject(body) : null;
        return {
            body: args.fillBody ? body : null,
            subject: subject ? { anchor: subject, target: subject, kind: 'field' } : null,
            container: body.container,
        };
    }

    function askedFor() {
        return String(args.fillSubject) + ' ' + String(args.fillBody) + ' ' + String(args.subject) + ' ' +
               String(args.body);
    }

    // The surfaces found by a write of the same parts that waited for the focus, if they are all
    // still on the page.
    function foundBefore() {
        const found = window.threadwickFound;
        window.threadwickFound = null;
        if (!found || found.asked !== askedFor())
            return null;
        for (const part of ['subject', 'body'])
            if (found[part] && !(found[part].anchor.isConnected && found[part].target.isConnected))
                return null;
        return found;
    }

    // --- Step 2: write ---

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

    // Text and paragraph breaks through the editing commands, which raise input as typing does;
    // editors listen to it. A field takes the whole text at once, newlines and all; a rich editor
    // gets each line, with Enter between them.
    function typeText(target, kind, text) {
        const doc = target.ownerDocument;
        selectAll(target, kind);
        if (kind === 'field')
            return doc.execCommand('insertText', false, text);
        let ok = true;
        text.split('\n').forEach((line, index) => {
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

    // The value and its events, for a field that did not take the editing commands.
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

    // A field, focused and selected as a user would, takes the whole text at once, as a paste
    // would put it there, with the input and change events that its page listens to. The editing
    // commands would write it a line at a time, at a cost that grows with the whole page (tens of
    // milliseconds a line on a page of 10,000 fields); they are the second way in, for a field
    // whose page threw the value away.
    function writeField(target, text) {
        selectAll(target, 'field');
        target.setRangeText(text, 0, target.value.length, 'end');
        target.dispatchEvent(new InputEvent('input', { bubbles: true, inputType: 'insertText', data: text }));
        target.dispatchEvent(new Event('change', { bubbles: true }));
    }

    // A body given as HTML (args.bodyHtml: links the editor keeps) goes into a rich editor as
    // HTML, line by line as the text does; what is read back is that HTML's text.
    function asHtml(surface, html) {
        surface.html = html;
        surface.text = new DOMParser().parseFromString(html, 'text/html').body.textContent;
    }

    function typeHtml(target, html) {
        const doc = target.ownerDocument;
        selectAll(target, 'rich');
        let ok = true;
        html.split('\n').forEach((line, index) => {
            if (index > 0)
                ok = doc.execCommand('insertParagraph', false) && ok;
            if (line !== '')
                ok = doc.execCommand('insertHTML', false, line) && ok;
            else if (index === 0)
                ok = doc.execCommand('delete', false) && ok;
        });
        return ok;
    }

    // Through the editing commands; where they changed nothing that was due, they did not reach
    // the element, and its text is set directly.
    function typeInto(surface) {
        const { target, kind, text } = surface;
        const was = contentOf(target, kind);
        const typed = surface.html ? typeHtml(target, surface.html) : typeText(target, kind, text);
        if (!typed && contentOf(target, kind) === was && was !== text) {
            if (kind === 'field')
                setValue(target, text);
            else
                setLines(target, text);
        }
    }

    function write(surface) {
        if (surface.kind === 'field')
            writeField(surface.target, surface.text);
        else
            typeInto(surface);
    }

    function record() {
        if (!window.threadwickLastFill)
            window.threadwickLastFill = { subject: [], body: [] };
        return window.threadwickLastFill;
    }

    function disabledNow(control) {
        return control.matches(':disabled') || control.getAttribute('aria-disabled') === 'true';
    }

    // The composer's send controls that cannot be used before the write: one still so after it
    // says that an editor did not hear the text.
    function blockedSenders(container) {
        return container ? sendersOf(container).filter(disabledNow) : [];
    }

    // Editors mark themselves empty for their placeholder; still so after the write, they did not
    // take the text.
    const EMPTY_EDITOR = '.ql-blank, .is-editor-empty, [data-cke-editorplaceholder]';

    // The text is on the page but the page did not hear it: a send control of the composer that
    // was blocked before the write still is, or the editor still calls itself empty.
    function notHeard(surface) {
        const blocked = window.threadwickBlocked || [];
        if (blocked.some(control => control.isConnected && disabledNow(control) && visible(control)))
            return true;
        const target = surface.target;
        return surface.kind === 'rich' && (target.matches(EMPTY_EDITOR) || target.querySelector(EMPTY_EDITOR) !== null);
    }

    function writeParts(found) {
        const pending = {};
        window.threadwickBlocked = blockedSenders(found.container);
        const recorded = record();
        for (const part of ['subject', 'body']) {
            const surface = found[part];
            if (!surface)
                continue;
            surface.text = part === 'subject' ? String(args.subject).replace(/\r\n?|\n/g, ' ')
                                              : String(args.body).replace(/\r\n?/g, '\n');
            if (part === 'body' && surface.kind !== 'field' && args.bodyHtml)
                asHtml(surface, String(args.bodyHtml).replace(/\r\n?/g, '\n'));
            pending[part] = surface;
            recorded[part].push(surface.anchor);
            write(surface);
        }
        window.threadwickPendingFill = pending;
        return pending;
    }

    // --- Step 3: read back ---

    function normalized(text) {
        return text.replace(ZERO_WIDTH, '').replace(/\s+/g, ' ').trim();
    }

    // Still on the page, and holding the text: rich editors may lay it out in paragraphs, so
    // white space counts only as a separator.
    function arrived(surface) {
        const { anchor, target, kind, text } = surface;
        if (!anchor.isConnected || !target.isConnected || !target.ownerDocument.defaultView)
            return false;
        if (kind === 'field')
            return target.value.replace(/\r\n?/g, '\n') === text;
        return normalized(target.innerText) === normalized(text);
    }

    // A paste of the text, as the clipboard would deliver it, over everything the editor holds.
    // Text that is there unheard goes first: an editor that compares what it holds before and
    // after a paste would otherwise see no change to report.
    function pasteText(surface, unheard) {
        const { target, text } = surface;
        selectAll(target, 'rich');
        if (unheard)
            target.ownerDocument.execCommand('delete', false);
        const data = new DataTransfer();
        data.setData('text/plain', text);
        if (surface.html)
            data.setData('text/html', surface.html.replace(/\n/g, '<br>'));
        target.dispatchEvent(new ClipboardEvent('paste', { clipboardData: data, bubbles: true, cancelable: true }));
    }

    function unrecord(part, surface) {
        const list = record()[part];
        const at = list.indexOf(surface.anchor);
        if (at >= 0)
            list.splice(at, 1);
    }

    // Which parts arrived; a part that did not gets its second way in, unless this is the last
    // check. Returns { subject, body, again }: again when the pane should check once more.
    function readBack() {
        const pending = window.threadwickPendingFill || {};
        const result = { subject: false, body: false, again: false };
        for (const part of ['subject', 'body']) {
            const surface = pending[part];
            if (!surface)
                continue;
            const there = arrived(surface);
            if (there && (args.final || !notHeard(surface))) {
                result[part] = true;
                delete pending[part];
            } else if (!args.final && surface.anchor.isConnected && surface.target.isConnected) {
                if (surface.kind === 'field')
                    typeInto(surface);
                else
                    pasteText(surface, there);
                result.again = true;
            } else {
                unrecord(part, surface);
                delete pending[part];
            }
        }
        return result;
    }

    // --- Step 4: show ---

    // The visible parts of the recorded elements, in CSS pixels of the top document's viewport.
    function measureFilled() {
        const recorded = window.threadwickLastFill;
        const rects = [];
        if (!recorded)
            return rects;
        const width = top.documentElement.clientWidth || window.innerWidth;
        const height = top.documentElement.clientHeight || window.innerHeight;
        for (const element of recorded.subject.concat(recorded.body)) {
            if (!element.isConnected || !visible(element))
                continue;
            const rect = element.getBoundingClientRect();
            const left = Math.max(rect.left, 0), topEdge = Math.max(rect.top, 0);
            const right = Math.min(rect.right, width), bottom = Math.min(rect.bottom, height);
            if (right > left && bottom > topEdge)
                rects.push([left, topEdge, right - left, bottom - topEdge]);
        }
        return rects;
    }

    // --- Focus and scroll, put back afterwards ---

    // The scroll positions of the page and of every scrolled box around the surfaces, taken once
    // before the first write of an Auto Insert: editors scroll themselves into view on their next
    // frame, after the step that wrote, so every later step puts them back again.
    function rememberScroll(found) {
        if (window.threadwickScroll)
            return;
        const boxes = [];
        for (const part of ['subject', 'body']) {
            if (!found[part])
                continue;
            for (let node = found[part].anchor.parentElement; node && node !== top.documentElement;
                 node = node.parentElement)
                if (node.scrollTop !== 0 || node.scrollLeft !== 0 || node.scrollHeight > node.clientHeight ||
                    node.scrollWidth > node.clientWidth)
                    boxes.push([node, node.scrollLeft, node.scrollTop]);
        }
        window.threadwickScroll = { x: window.scrollX, y: window.scrollY, boxes };
    }

    function restoreScroll() {
        const scroll = window.threadwickScroll;
        if (!scroll)
            return;
        for (const [node, left, down] of scroll.boxes) {
            if (node.scrollLeft !== left)
                node.scrollLeft = left;
            if (node.scrollTop !== down)
                node.scrollTop = down;
        }
        if (window.scrollX !== scroll.x || window.scrollY !== scroll.y)
            window.scrollTo(scroll.x, scroll.y);
    }

    function ranges(doc) {
        const selection = doc.getSelection();
        const list = [];
        for (let i = 0; selection && i < selection.rangeCount; ++i)
            list.push(selection.getRangeAt(i).cloneRange());
        return list;
    }

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
        if (!active || active === top.body || active === top.documentElement || !active.isConnected) {
            if (top.activeElement && top.activeElement !== top.body)
                top.activeElement.blur();
        } else if (active.localName === 'iframe' && state.inner) {
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
        // The text written into an editor stays selected otherwise, and shows as a highlight
        // that the next key would replace: the caret goes to its end in an editor that has the
        // focus again, and elsewhere the selection goes (moving it would focus the editor).
        for (const target of touched) {
            if (target.localName === 'input' || target.localName === 'textarea')
                continue;
            const doc = target.ownerDocument;
            const selection = doc.getSelection();
            if (!selection || selection.rangeCount === 0 || !target.contains(selection.anchorNode) || selection.isCollapsed)
                continue;
            const holder = doc === top ? target : doc.defaultView && doc.defaultView.frameElement;
            if (top.activeElement === holder)
                selection.collapseToEnd();
            else
                selection.removeAllRanges();
        }
        window.scrollTo(state.x, state.y);
    }

    // Runs a step that may move the focus, and puts focus and scroll back whatever it met: as they
    // were before the step, or before the write for a check (an editor that took a paste may move
    // the focus into itself on its own time, after the step that pasted).
    function keepingFocus(step, touched, before) {
        const state = before || remember();
        try {
            return step();
        } finally {
            try {
                restore(state, touched);
            } catch (failure) {
                // a page that breaks the focus keeps what it has
            }
        }
    }

    if (args.step === 'start') {
        // A new Auto Insert: nothing of it written yet.
        window.threadwickLastFill = { subject: [], body: [] };
        window.threadwickPendingFill = {};
        window.threadwickFound = null;
        window.threadwickBlocked = null;
        window.threadwickScroll = null;
        window.threadwickFocus = null;
        return true;
    }
    if (args.step === 'show') {
        restoreScroll();
        return measureFilled();
    }
    if (args.step === 'check') {
        const pending = window.threadwickPendingFill || {};
        const touched = new Set(Object.values(pending).map(surface => surface.target));
        try {
            return keepingFocus(readBack, touched, window.threadwickFocus);
        } catch (failure) {
            return { subject: false, body: false, again: false };
        } finally {
            restoreScroll();
        }
    }
    // "write": the parts that were typed somewhere, whether the page has a posting form and, when
    // the subject was asked for, a box for it; the check says which parts arrived.
    const typed = { subject: false, body: false, form: false, subjectBox: false };
    record();
    window.threadwickPendingFill = {};
    if (!args.fillSubject && !args.fillBody)
        return typed;
    let found = null;
    try {
        found = foundBefore() || findSurfaces();
    } catch (failure) {
        // A page that breaks the search has nowhere to write.
    }
    if (!found)
        return typed;
    typed.form = true;
    typed.subjectBox = found.subject !== null;
    if (!found.subject && !found.body)
        return typed;
    // Editors that wake up on focus need the page focused first: until the focus the pane takes
    // for a page with somewhere to write has arrived, nothing is written.
    if (args.awaitFocus && !top.hasFocus()) {
        found.asked = askedFor();
        window.threadwickFound = found;
        return { unfocused: true };
    }
    const touched = new Set();
    for (const part of ['subject', 'body'])
        if (found[part])
            touched.add(found[part].target);
    try {
        rememberScroll(found);
        window.threadwickFocus = remember();
        keepingFocus(() => writeParts(found), touched, window.threadwickFocus);
    } catch (failure) {
        // A page that breaks the writing keeps what was written so far; the check tells what
        // arrived.
    } finally {
        restoreScroll();
    }
    typed.subject = 'subject' in window.threadwickPendingFill;
    typed.body = 'body' in window.threadwickPendingFill;
    return typed;
})
