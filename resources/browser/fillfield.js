// Writes a value into every element of every form of the top-level document whose name attribute
// equals the given name exactly. Runs in the program's isolated world, so page scripts neither
// see nor change it, and is called with one JSON object { name, value }: the value is only ever
// read as data. Returns true when at least one element was written.
(function (args) {
    'use strict';
    if (!document || !document.forms || document.getElementsByTagName('FORM').length === 0)
        return false;
    // The elements a form lists as its own; others (labels, legends) only report a nearby form.
    const LISTED = new Set(['button', 'fieldset', 'input', 'object', 'output', 'select', 'textarea']);
    // Only the elements with that exact name, looked up by the document, then put in the order of
    // the forms and of each form's elements (tree order): a page of many thousand fields is not
    // walked element by element. A snapshot: event handlers of the page may change the document
    // while we write.
    const forms = new Map();
    Array.prototype.forEach.call(document.forms, (form, index) => forms.set(form, index));
    const matches = [];
    for (const element of Array.prototype.slice.call(document.getElementsByName(args.name))) {
        const form = LISTED.has(element.localName) ? element.form : null;
        if (form && forms.has(form))
            matches.push({ element, form: forms.get(form) });
    }
    matches.sort((a, b) => a.form - b.form ||
        (a.element.compareDocumentPosition(b.element) & Node.DOCUMENT_POSITION_FOLLOWING ? -1 : 1));
    // During Auto Insert the elements written are recorded for the outline and the page watcher.
    const recorded = window.threadwickLastFill && window.threadwickLastFill[args.name];
    let written = false;
    for (const { element } of matches) {
        try {
            // An element without a value, or one that refuses this one (a file input), ends the
            // whole operation; what was written before stays written.
            if (!('value' in element))
                throw new TypeError('The element has no value.');
            element.value = args.value;
            written = true;
            if (Array.isArray(recorded))
                recorded.push(element);
        } catch (failure) {
            return written;
        }
        // Editors driven by script learn of the new text as if it had been typed.
        element.dispatchEvent(new Event('input', { bubbles: true }));
        element.dispatchEvent(new Event('change', { bubbles: true }));
    }
    return written;
})
