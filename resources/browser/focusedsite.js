// Tells where a paste would land: the origin of the document whose element holds the keyboard
// focus. Runs in the program's isolated world and changes nothing. The rule: start at the top
// document; while its focused element is a frame whose document can be reached (same origin),
// go into it; a focused frame that cannot be reached belongs to the origin of its address (src)
// when that is a web address it has not left. Anything else cannot be told and gives "".
// Returns { origin: "scheme://host[:port]" or "", inFrame: true when the focus is in a frame }.
(function () {
    'use strict';
    // Frames nest this deep at most before the answer is "cannot be told": a page cannot keep
    // the walk going.
    const DEEPEST = 32;
    const FRAMES = new Set(['iframe', 'frame', 'object', 'embed']);

    function isFrame(element) {
        return element && FRAMES.has(element.localName);
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
        for (let depth = 0; depth < DEEPEST; ++depth) {
            const focused = doc.activeElement;
            if (!isFrame(focused))
                return { origin: originOf(doc), inFrame };
            inFrame = true;
            const inner = reachableDocument(focused);
            if (!inner)
                return { origin: addressOrigin(focused, doc), inFrame };
            doc = inner;
        }
        return { origin: '', inFrame: true };
    }

    return focusedSite();
})
