// The ProseMirror pieces a forum's composer puts together, bundled by scripts/install-deps.sh into
// one browser script (ProseMirror ships only modules): a page finds them on window.PM.
import { EditorState } from 'prosemirror-state';
import { EditorView } from 'prosemirror-view';
import { DOMSerializer, Schema } from 'prosemirror-model';
import { schema } from 'prosemirror-schema-basic';
import { keymap } from 'prosemirror-keymap';
import { baseKeymap } from 'prosemirror-commands';

window.PM = { EditorState, EditorView, DOMSerializer, Schema, schema, keymap, baseKeymap };
