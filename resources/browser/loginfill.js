// Fills the log-in form of the page shown with the forum's user name and password, as typing
// would, and leaves the keyboard focus in the password box so that Enter logs in. It never
// presses the page's log-in button. Runs in the program's isolated world and is called with one
// JSON object { step, ... }: the user name and password arrive as data and are only ever
// written into the two boxes found.
//
// The rule, the way forum engines build their log-in forms:
// 1. find the log-in form ("find": findLogin)
//    - the password box is a visible, editable type=password input of the top document or of a
//      frame whose document can be reached (same origin), that is alone in its form or region:
//      a form with two or three password boxes is a registration or a password change, and is
//      left alone. A form-less region is the nearest element around the box that also holds
//      another text box or a button (a log-in dialog made by script);
//    - the user name box is the visible, editable text or e-mail box before the password box in
//      the same form or region that says it is for a user name, log-in, member name, account or
//      e-mail (autocomplete hint, name, id, label, placeholder or aria-label), the nearest such
//      one; failing that, the nearest visible text box before the password box that says it is
//      for nothing else (a search, a code). Search boxes, check boxes ("remember me") and hidden
//      fields are never written;
//    - a page with no such password box but a form whose only text box is a user name box (a
//      log-in split over two pages, the user name first) offers that box alone, when the box's
//      autocomplete hint says username or the form says it logs in (its action, id, class or
//      name): a newsletter's lone e-mail box is no log-in;
//    - the boxes found are kept for the "fill" step, with the origin of the document that holds
//      the password box, which the program checks against the forum's site before any filling.
// 2. fill ("fill": fillLogin): only into the boxes found, only while their document still has
//    the origin the program checked; each box is focused, its text selected and replaced through
//    the editing commands, which raise the input events typing raises (frameworks that keep the
//    value in their own state listen to them), then change; where the page threw the text away,
//    the value is set directly with its events. The password box keeps the keyboard focus (the
//    user name box where there is no password box).
// 3. read back: a box counts as filled only when it holds exactly the text.
(function (args) {
    'use strict';

    // Frames nest this deep at most before the search stops: a page cannot keep it going.
    const DEEPEST = 8;
    // More password boxes than this in one form or region: a registration or a password change.
    const MOST_PASSWORDS = 1;

    const USER_WORDS = new RegExp(
        [
            'user', 'login', 'log-in', 'log_in', 'logon', 'sign-?in', 'member', 'account', 'e-?mail',
            'nick', 'ident', 'uname', 'benutzer', 'anmelde', 'utilisateur', 'identifiant', 'usuario',
            'utente', 'gebruiker', 'u[żz]ytkownik', 'логин', 'пользовател', 'почт', '用户', 'ユーザー',
        ].join('|'),
        'i');
    // Text boxes that are for anything but a user name.
    const NOT_USER = /search|query|keyword|suche|recherche|buscar|поиск|captcha|code|otp|token|url|website|homepage/i;
    const TEXT_TYPES = new Set(['', 'text', 'email']);
    // A form that says it logs in, by its action, id, class or name.
    const LOGIN_FORM = /log-?in|sign-?in|logon|session|auth|anmeld|connexion|acceso|entrar|вход/i;

    function styleOf(element) {
        return element.ownerDocument.defaultView.getComputedStyle(element);
    }

    function visible(element) {
        if (!element.isConnected || !element.ownerDocument.defaultView)
            return false;
        const style = styleOf(element);
        if (style.visibility === 'hidden' || style.visibility === 'collapse' || style.display === 'none')
            return false;
        const rect = element.getBoundingClientRect();
        return rect.width > 0 && rect.height > 0;
    }

    function editable(box) {
        return !box.disabled && !box.readOnly && visible(box);
    }

    function typeOf(box) {
        return (box.getAttribute('type') || '').trim().toLowerCase();
    }

    function isPassword(box) {
        return box.localName === 'input' && typeOf(box) === 'password';
    }

    function isTextBox(box) {
        return box.localName === 'input' && TEXT_TYPES.has(typeOf(box)) && box.getAttribute('role') !== 'searchbox';
    }

    // The top document and every document of a frame that can be reached, in document order.
    function documents() {
        const found = [];
        function visit(doc, inFrame, depth) {
            found.push({ doc, inFrame });
            if (depth >= DEEPEST)
                return;
            for (const frame of doc.querySelectorAll('iframe, frame')) {
                let inner = null;
                try {
                    inner = frame.contentDocument;
                } catch (refused) {
                    inner = null;
                }
                if (inner && visible(frame))
                    visit(inner, true, depth + 1);
            }
        }
        visit(document, false, 0);
        return found;
    }

    function labelText(box) {
        let text = '';
        for (const label of box.labels || [])
            text += ' ' + label.textContent;
        return text;
    }

    // What a box says it is for.
    function describe(box) {
        return ['autocomplete', 'name', 'id', 'placeholder', 'aria-label', 'title']
            .map(name => box.getAttribute(name) || '')
            .join(' ') + labelText(box);
    }

    function saysUser(box) {
        const hint = (box.getAttribute('autocomplete') || '').toLowerCase();
        if (/\b(username|email)\b/.test(hint))
            return true;
        const text = describe(box);
        return USER_WORDS.test(text) && !NOT_USER.test(text);
    }

    // The form of the box, or the nearest element around it that holds another text box or a
    // button: the region a log-in dialog made by script draws.
    function regionOf(box) {
        if (box.form)
            return box.form;
        const doc = box.ownerDocument;
        for (let node = box.parentElement; node && node !== doc.documentElement; node = node.parentElement) {
            for (const other of node.querySelectorAll('input, button, [role=button]'))
                if (other !== box && (other.localName !== 'input' || isTextBox(other) || isPassword(other) ||
                                      typeOf(other) === 'submit'))
                    return node;
        }
        return doc.body || doc.documentElement;
    }

    function inRegion(region, element) {
        return region.localName === 'form' ? element.form === region : region.contains(element);
    }

    function before(element, anchor) {
        return (element.compareDocumentPosition(anchor) & Node.DOCUMENT_POSITION_FOLLOWING) !== 0;
    }

    function findUserBox(password, region) {
        const boxes = Array.from(region.ownerDocument.querySelectorAll('input'))
                          .filter(box => isTextBox(box) && inRegion(region, box) && before(box, password) &&
                                         editable(box));
        const named = boxes.filter(saysUser);
        if (named.length > 0)
            return named[named.length - 1];
        const plain = boxes.filter(box => !NOT_USER.test(describe(box)));
        return plain.length > 0 ? plain[plain.length - 1] : null;
    }

    function originOf(doc) {
        const origin = doc.defaultView ? doc.defaultView.origin : '';
        return origin && origin !== 'null' ? origin : '';
    }

    // --- Step 1: find ---

    function findPasswordForm(docs) {
        for (const { doc, inFrame } of docs) {
            for (const password of doc.querySelectorAll('input')) {
                if (!isPassword(password) || !editable(password))
                    continue;
                const region = regionOf(password);
                const passwords = Array.from(region.querySelectorAll('input'))
                                      .filter(box => isPassword(box) && inRegion(region, box) && visible(box));
                if (passwords.length > MOST_PASSWORDS)
                    continue;
                return { doc, inFrame, password, user: findUserBox(password, region) };
            }
        }
        return null;
    }

    // The first page of a log-in in two steps: a form whose one text box is a user name box.
    function findUserStep(docs) {
        for (const { doc, inFrame } of docs) {
            for (const form of doc.forms) {
                const boxes = Array.from(form.elements).filter(box => (isTextBox(box) || isPassword(box) ||
                                                                       box.localName === 'textarea') && visible(box));
                if (boxes.length !== 1 || !isTextBox(boxes[0]) || !editable(boxes[0]) || !saysUser(boxes[0]))
                    continue;
                const hint = (boxes[0].getAttribute('autocomplete') || '').toLowerCase();
                const says = [form.getAttribute('action'), form.id, form.getAttribute('class'), form.getAttribute('name')];
                if (/\busername\b/.test(hint) || LOGIN_FORM.test(says.join(' ')))
                    return { doc, inFrame, password: null, user: boxes[0] };
            }
        }
        return null;
    }

    function findLogin() {
        window.threadwickLogin = null;
        const docs = documents();
        const found = findPasswordForm(docs) || findUserStep(docs);
        if (!found)
            return { found: false };
        window.threadwickLogin = found;
        return {
            found: true,
            password: found.password !== null,
            user: found.user !== null,
            origin: originOf(found.doc),
            inFrame: found.inFrame,
        };
    }

    // --- Step 2: fill ---

    function focusIn(box) {
        const view = box.ownerDocument.defaultView;
        if (box.ownerDocument !== document && view)
            view.focus();
        box.focus();
    }

    function type(box, text) {
        focusIn(box);
        box.select();
        box.ownerDocument.execCommand('insertText', false, text);
        if (box.value !== text) {
            // The setter of this world is the element's own, past any setter the page's framework
            // put on the element, so the framework sees the input event as a change.
            box.value = text;
            box.dispatchEvent(new InputEvent('input', { bubbles: true, inputType: 'insertText', data: text }));
        }
        box.dispatchEvent(new Event('change', { bubbles: true }));
    }

    function usable(box, doc) {
        return box !== null && box.isConnected && box.ownerDocument === doc && editable(box);
    }

    function fillLogin() {
        const result = { user: false, password: false };
        const found = window.threadwickLogin;
        window.threadwickLogin = null;
        if (!found || !found.doc.defaultView || originOf(found.doc) !== args.origin)
            return result;
        const username = String(args.username), password = String(args.password);
        if (username !== '' && usable(found.user, found.doc)) {
            type(found.user, username);
            result.user = found.user.value === username;
        }
        if (password !== '' && usable(found.password, found.doc)) {
            type(found.password, password);
            result.password = found.password.value === password;
        }
        const focus = usable(found.password, found.doc) ? found.password : found.user;
        if (usable(focus, found.doc))
            focusIn(focus);
        return result;
    }

    try {
        if (args.step === 'find')
            return findLogin();
        if (args.step === 'fill')
            return fillLogin();
    } catch (failure) {
        // A page that breaks the search or the writing gets nothing more written.
    }
    return { found: false, user: false, password: false };
})
