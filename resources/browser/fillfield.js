// Writes a value into every element of every form of the top-level document whose name attribute
// equals the given name exactly. Runs in the program's isolated world, so page scripts neither
// see nor change it, and is called with one JSON object { name, value }: the value is only ever
// read as data. Returns true when at least one element was written.
(function (args) {
    'use strict';
    if (!document || !document.forms || document.getElementsByTagName('FORM').length === 0)
        return false;
    let written = false;
    // Snapshots: event handlers of the page may change the document while we write.
    for (const form of Array.from(document.forms)) {
        for (const element of Array.from(form.elements)) {
            try {
                if (element.getAttribute('name') !== args.name)
                    continue;
                // An element without a value, or one that refuses this one (a file input), ends
                // the whole operation; what was written before stays written.
                if (!('value' in element))
                    throw new TypeError('The element has no value.');
                element.value = args.value;
                written = true;
            } catch (failure) {
                return written;
            }
            // Editors driven by script learn of the new text as if it had been typed.
            element.dispatchEvent(new Event('input', { bubbles: true }));
            element.dispatchEvent(new Event('change', { bubbles: true }));
        }
    }
    return written;
})
