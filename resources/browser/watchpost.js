// Watches the page that Auto Insert wrote a post into for the user sending it, and tells the
// program. Runs in the program's isolated world, so page scripts neither see nor change it, and is
// called with one JSON object { nonce }. It reports through console messages that begin with the
// nonce, which page scripts cannot know, so a page cannot make up a send.
//
// The rule:
// - the elements to watch are those the latest Auto Insert wrote the body into, as the fill left
//   them in window.threadwickLastFill.body (for an editor in a frame, the frame element);
// - a submit of the form that holds one of them, which no script of the page cancels, is a send:
//   the browser sends the form itself. Reported as "submitted", with a line of the post, by which
//   the forum's answer shows whether it took the post (postanswer.js);
// - a form sent by a script's form.submit() raises no submit event: the program sees the engine
//   send a form of the page instead, and takes it for this one when it goes to the address one of
//   these forms sends to. So the addresses of the watched forms, with a line of the post, are
//   reported as "forms" at the start and whenever they change;
// - a composer that sends by script cancels the submit or has no form at all. There a written
//   element that held text and that the page empties or takes out of the document while the user
//   is not typing in it is reported as "cleared" (and "filled" if text comes back); the program
//   counts it as a send when the page's address changes within moments of it (a composer that sent
//   moves to the new thread);
// - nothing else is reported: leaving the page by a link, or a send the page refuses while keeping
//   the text, says nothing.
(function (args) {
    'use strict';

    // How often a written element is looked at while the page is open: well below the time a user
    // needs to notice that a composer has emptied itself, and far too rare to cost anything.
    const CHECK_MS = 250;

    const fill = window.threadwickLastFill;
    if (window.threadwickPostWatch)
        window.threadwickPostWatch.stop();
    const watched = fill && Array.isArray(fill.body) ? fill.body.filter(element => element && element.isConnected) : [];
    if (watched.length === 0)
        return false;

    function report(what, details) {
        console.log(args.nonce + ' ' + JSON.stringify(Object.assign({ what }, details || {})));
    }

    // --- What a watched element holds ---

    // The document of an editor in a frame of the page's own origin; null else.
    function frameDocument(element) {
        if (element.localName !== 'iframe')
            return null;
        try {
            return element.contentDocument;
        } catch (failure) {
            return null;
        }
    }

    // As the user sees it: a rich editor's paragraphs are lines of their own.
    function textOf(element) {
        if (element.localName === 'iframe') {
            const doc = frameDocument(element);
            return doc && doc.body ? doc.body.innerText : '';
        }
        return element.localName === 'textarea' || element.localName === 'input' ? element.value : element.innerText;
    }

    function empty(element) {
        return !element.isConnected || textOf(element).trim() === '';
    }

    // The user's own typing, where the focus is in the element.
    function focusedIn(element) {
        const active = document.activeElement;
        return !!active && (active === element || element.contains(active));
    }

    // --- Forms: a submit nobody cancels is a send ---

    const forms = new Set();
    for (const element of watched) {
        const form = element.form || element.closest('form');
        if (form)
            forms.add(form);
    }

    // A line of the written post, by which the forum's answer shows whether the form came back
    // with it: the longest line, as the page may wrap or trim short ones.
    const SAMPLE_LENGTH = 80;
    function sample() {
        for (const element of watched) {
            const lines = textOf(element).split(/\r\n|\r|\n/).map(line => line.trim());
            const longest = lines.reduce((a, b) => (b.length > a.length ? b : a), '');
            if (longest !== '')
                return longest.slice(0, SAMPLE_LENGTH);
        }
        return '';
    }

    let pending = null; // the submit event under way, until the page's handlers have had it
    let sent = false;

    function settleSubmit() {
        if (!pending || sent)
            return;
        const event = pending;
        pending = null;
        if (!event.defaultPrevented) {
            sent = true;
            report('submitted', { text: sample() });
        }
    }

    // First in, to see every submit of a watched form; the page's own handlers run after this one.
    // A submit event that a page script made up sends nothing.
    function onSubmitCapture(event) {
        if (!event.isTrusted || !forms.has(event.target))
            return;
        pending = event;
        // A handler that stops the event keeps the last listener below from running.
        setTimeout(settleSubmit, 0);
    }

    // Last out: by now every handler of the page has decided whether the browser sends the form.
    function onSubmitBubble(event) {
        if (event === pending)
            settleSubmit();
    }

    // --- Composers that send by script ---

    const userEmptied = new WeakSet();
    // The elements seen holding text: only one that had text can be emptied by a send.
    const hadText = new WeakSet();
    let cleared = false;

    // Typing in an editor's frame reaches the frame's document, not this one.
    const frameDocuments = watched.map(frameDocument).filter(doc => doc);
    for (const element of watched)
        if (!empty(element))
            hadText.add(element);

    function onInput(event) {
        const doc = event.target.ownerDocument || event.target;
        for (const element of watched)
            if (event.target === element || element.contains(event.target) || frameDocument(element) === doc)
                if (focusedIn(element) && empty(element))
                    userEmptied.add(element);
                else
                    userEmptied.delete(element);
    }

    // The addresses the watched forms send to, and a line of the post, as last reported.
    let reportedForms = '';
    function reportForms() {
        // The prototype's own getter: a field named "action" would stand in for the property.
        const action = Object.getOwnPropertyDescriptor(HTMLFormElement.prototype, 'action').get;
        const actions = [];
        for (const form of forms)
            if (form.isConnected)
                actions.push(String(action.call(form)));
        const now = JSON.stringify({ actions, text: sample() });
        if (now !== reportedForms) {
            reportedForms = now;
            report('forms', JSON.parse(now));
        }
    }

    function check() {
        if (sent)
            return;
        if (forms.size > 0)
            reportForms();
        for (const element of watched)
            if (!empty(element))
                hadText.add(element);
        const now = watched.some(element => empty(element) && hadText.has(element) &&
            !userEmptied.has(element) && !(element.isConnected && focusedIn(element)));
        if (now !== cleared) {
            cleared = now;
            report(now ? 'cleared' : 'filled');
        }
    }

    function onPageHide() {
        settleSubmit();
        check();
    }

    if (forms.size > 0)
        reportForms();
    const timer = setInterval(check, CHECK_MS);
    window.addEventListener('submit', onSubmitCapture, true);
    window.addEventListener('submit', onSubmitBubble, false);
    window.addEventListener('input', onInput, true);
    for (const doc of frameDocuments)
        doc.addEventListener('input', onInput, true);
    window.addEventListener('pagehide', onPageHide, true);

    window.threadwickPostWatch = {
        stop() {
            clearInterval(timer);
            window.removeEventListener('submit', onSubmitCapture, true);
            window.removeEventListener('submit', onSubmitBubble, false);
            window.removeEventListener('input', onInput, true);
            for (const doc of frameDocuments)
                doc.removeEventListener('input', onInput, true);
            window.removeEventListener('pagehide', onPageHide, true);
            window.threadwickPostWatch = null;
        },
        // The form was sent from this document; postanswer.js finds it still shown when the
        // forum's answer never arrived.
        get sent() {
            return sent;
        },
    };
    return true;
})
