// Tells where a paste would land: the origin of the document whose element holds the keyboard
// focus. Runs in the program's isolated world and changes nothing. The rule: start at the top
// document; follow its focused element down through open shadow roots to the element that really
// holds the focus; while that is a frame whose document can be reached (same origin), go into it;
// a focused frame that cannot be reached belongs to the origin of its address (src) when that is
// a web address it has not left. A focused text field or editable element belongs to its
// document. Anything else cannot be told and gives "": a shadow host whose root is closed shows
// only itself, and what it holds (a frame of another site, say) cannot be seen from here.
// Returns { origin: "scheme://host[:port]" or "", inFrame: true when the focus is in a frame or
// cannot be told }.
(function () {
    'use strict';
    // Frames and shadow roots nest this deep at most before the answer is "cannot be told": a
    // page cannot keep the walk going.
    const DEEPEST = 32;
    const FRAMES = new Set(['iframe', 'frame', 'object', 'embed']);
    // The kinds of input that take typed text; none of them can hold a shadow root of the page's.
    const TEXT_INPUTS = new Set(['', 'text', 'password', 'email', 'search', 'tel', 'url', 'number']);
    const UNKNOWN = { origin: '', inFrame: true };

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

    // The origin a frame we cannot look into was given. A sandboxed frame has an origin of its
    // own, and a frame given an address of its parent's origin that we still cannot reach has
    // gone elsewhere since: neither can be told.
    function addressOrigin(frame, parentDoc) {
        if (frame.hasAttribute('sandbox') || frame.hasAttribute('srcdoc'))
            return '';
        const address = frame.localName === 'object' ? frame.data : frame.src;
        let url;
        try {
            url = new URL(address);
        } catch (invalid) {
            return '';
        }
        if (url.protocol !== 'http:' && url.protocol !== 'https:')
            return '';
        if (url.origin === originOf(parentDoc))
            return '';
        return url.origin;
    }

    function focusedSite() {
        let doc = document;
        let inFrame = false;
        let focused = doc.activeElement;
        for (let depth = 0; depth < DEEPEST; ++depth) {
            if (!focused)
                return UNKNOWN;
            // An open shadow root keeps the element that holds the focus inside it; the document
            // sees only the host.
            const root = focused.shadowRoot;
            if (root && root.activeElement) {
                focused = root.activeElement;
                continue;
            }
            if (isTextField(focused) || focused.isContentEditable)
                return { origin: originOf(doc), inFrame };
            if (!isFrame(focused))
                return UNKNOWN;
            inFrame = true;
            const inner = reachableDocument(focused);
            if (!inner)
                return { origin: addressOrigin(focused, doc), inFrame };
            doc = inner;
            focused = doc.activeElement;
        }
        return UNKNOWN;
    }

    return focusedSite();
})
