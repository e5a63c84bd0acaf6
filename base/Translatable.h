#pragma once

// Marks a text that people read, in the layers without Qt (the scene, the audio, the session):
// the build has Qt's lupdate read this name as it reads QT_TRANSLATE_NOOP, and the shell shows
// the text through QCoreApplication::translate with the same context. Texts are Japanese, the
// interface's own language, where nothing is translated.
#define SELVANE_TRANSLATE_NOOP(context, text) text
