// The CodeMirror pieces a forum's code-paste composer puts together, bundled by
// scripts/install-deps.sh into one browser script (CodeMirror ships only modules): a page finds
// them on window.CM.
import { EditorState } from '@codemirror/state';
import { EditorView, keymap, lineNumbers } from '@codemirror/view';
import { defaultKeymap, history, historyKeymap } from '@codemirror/commands';

window.CM = { EditorState, EditorView, keymap, lineNumbers, defaultKeymap, history, historyKeymap };
