// Tells where a paste would land: the document whose element holds the keyboard focus. Runs in
// the program's isolated world and changes nothing. The rule: start at the top document; follow
// its focused element down through open shadow roots to the element that really holds the focus;
// while that is a frame whose document can be reached (same origin), go into it. A focused text
// field or editable element belongs to its document. A frame that cannot be reached vouches for
// nothing inside it, whatever address it was given: the site of what holds the focus there
// cannot be told, and the frame's own address is told as the frame's. Any other element is no
// field at all, unless it may be the host of a closed shadow root, which shows only itself: what
// it holds (a field, or a frame of another site) cannot be seen from here, and cannot be told.
// Returns { origin: "scheme://host[:port]" or "", inFrame: true when the focus is in a frame or
// cannot be told, frame: the web address of the frame that cannot be reached or "", noField: true
// when certainly no field holds the focus }.
(function () {
    'use strict';
    // Frames and shadow roots nest this deep at most before the answer is "cannot be told": a
    // page cannot keep the walk going.
    const DEEPEST = 32;
    const FRAMES = new Set(['iframe', 'frame', 'object', 'embed']);
    // The kinds of input that take typed text; none of them can hold a shadow root of the page's.
    const TEXT_INPUTS = new Set(['', 'text', 'password', 'email', 'search', 'tel', 'url', 'number']);
    // The elements a page may attach a shadow root to, besides its own custom elements.
    const SHADOW_HOSTS = new Set(['article', 'aside', 'blockquote', 'body', 'div', 'footer', 'h1', 'h2', 'h3',
                                  'h4', 'h5', 'h6', 'header', 'main', 'nav', 'p', 'section', 'span']);
    const UNKNOWN = { origin: '', inFrame: true, frame: '', noField: false };

    function isFrame(element) {
        return FRAMES.has(element.localName);
    }

    function isTextField(element) {
        if (element.localName === 'textarea')
            return true;
        if (element.localName !== 'input')
            return false;
        const type = (element.getAttribute('type') || '').trim().toLowerCase();
        return TEXT_INPUTS.has(type);
    }

    function reachableDocument(frame) {
        try {
            return frame.contentDocument || null;
        } catch (refused) {
            return null;
        }
    }

    function originOf(doc) {
        const origin = doc.defaultView ? doc.defaultView.origin : '';
        return origin && origin !== 'null' ? origin : '';
    }

    // The web address a frame we cannot look into was given, to name the frame by; "" for a
    // sandboxed or srcdoc frame, whose document is none of that address's.
    function frameAddress(frame) {
        if (frame.hasAttribute('sandbox') || frame.hasAttribute('srcdoc'))
            return '';
        const address = frame.localName === 'object' ? frame.data : frame.src;
        try {
            const url = new URL(address);
            return url.protocol === 'http:' || url.protocol === 'https:' ? url.href : '';
        } catch (invalid) {
            return '';
        }
    }

    // Whether the focus may be inside a closed shadow root of this element: the document then
    // names the host as its focused element. The page's background (nothing focused), a button or
    // a check box can hold none.
    function mayHideFocus(element, doc) {
        if (element === doc.body || element === doc.documentElement)
            return element.matches(':focus-within');
        return SHADOW_HOSTS.has(element.localName) || element.localName.includes('-');
    }

    function focusedSite() {
        let doc = document;
        let inFrame = false;
        let focused = doc.activeElement;
        for (let depth = 0; depth < DEEPEST; ++depth) {
            if (!focused)
                return { origin: originOf(doc), inFrame, frame: '', noField: true };
            // An open shadow root keeps the element that holds the focus inside it; the document
            // sees only the host.
            const root = focused.shadowRoot;
            if (root && root.activeElement) {
                focused = root.activeElement;
                continue;
            }
            if (isTextField(focused) || focused.isContentEditable)
                return { origin: originOf(doc), inFrame, frame: '', noField: false };
            if (!isFrame(focused)) {
                if (mayHideFocus(focused, doc))
                    return UNKNOWN;
                return { origin: originOf(doc), inFrame, frame: '', noField: true };
            }
            inFrame = true;
            const inner = reachableDocument(focused);
            if (!inner)
                return { origin: '', inFrame, frame: frameAddress(focused), noField: false };
            doc = inner;
            focused = doc.activeElement;
        }
        return UNKNOWN;
    }

    return focusedSite();
})
