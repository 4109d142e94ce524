#!/usr/bin/env bash
# The build refuses includes that reach a higher layer (each layer's library
# sees only its own and lower folders). This adds what an include path cannot
# express: the model, which the scan worker runs, names no Qt GUI or Widgets
# header in any spelling.
set -euo pipefail
cd "$(dirname "$0")/.."
if grep -rnE '#include *<(QtGui|QtWidgets)/|#include *<Q(Widget|Pixmap|Icon|Image|Color|Painter|Font|Brush|Pen)\b' src/model; then
  echo "src/model includes a GUI header (above)." >&2
  exit 1
fi
