// Reads the forum's answer to a form that was sent with a post: did the forum take it, and where is
// the new thread? Runs in the program's isolated world on the page shown once it has settled, and
// is called with one JSON object { text }: a line of the post as it was sent, only ever compared.
// Returns { unanswered, formBack, refresh }.
//
// The rule:
// - unanswered: the page still shows the document the form was sent from (its watch saw the send),
//   so the forum's answer never arrived: the user stopped it or went on. The form was sent all the
//   same, and the post is still in it, which says nothing about the forum taking it;
// - formBack: a field of the page (a text box, a message box, an editing host or the editable body
//   of a same-origin frame) holds that line again. That is the form coming back with the post in it:
//   the forum's own error, or a preview. Then nothing was posted, and the fields that hold it are
//   recorded as the written ones (window.threadwickLastFill), so that the watch goes on to the send
//   the user makes next;
// - refresh: the address of the page's own "you will be taken to your post" refresh, when it has one
//   (boards that thank for a post on a page of their own before they show the thread); empty else.
(function (args) {
    'use strict';
    const text = String(args.text || '');

    // The fields of the page that hold the line (an editor in a frame by its frame element).
    function holdingText(doc) {
        const found = [];
        for (const field of doc.querySelectorAll('textarea, input'))
            if (typeof field.value === 'string' && field.value.includes(text))
                found.push(field);
        for (const host of doc.querySelectorAll('[contenteditable]'))
            if (host.isContentEditable && host.innerText.includes(text) &&
                !(host.parentElement && host.parentElement.isContentEditable))
                found.push(host);
        for (const frame of doc.querySelectorAll('iframe')) {
            try {
                const inner = frame.contentDocument;
                if (inner && inner.body && (inner.designMode === 'on' || inner.body.isContentEditable) &&
                    inner.body.innerText.includes(text))
                    found.push(frame);
            } catch (failure) {
                // another origin: not the forum's form
            }
        }
        return found;
    }

    function refreshTarget() {
        for (const meta of document.querySelectorAll('meta[http-equiv]')) {
            if (meta.httpEquiv.toLowerCase() !== 'refresh')
                continue;
            const found = /url\s*=\s*['"]?([^'"]+)/i.exec(meta.content || '');
            if (!found)
                continue;
            try {
                const target = new URL(found[1].trim(), document.baseURI);
                if (target.protocol === 'http:' || target.protocol === 'https:')
                    return target.href;
            } catch (failure) {
                // not an address
            }
        }
        return '';
    }

    const watch = window.threadwickPostWatch;
    const unanswered = !!(watch && watch.sent);
    const back = text !== '' && !unanswered ? holdingText(document) : [];
    if (back.length > 0)
        window.threadwickLastFill = { subject: [], body: back };
    return {
        unanswered,
        formBack: back.length > 0,
        refresh: refreshTarget(),
    };
})
