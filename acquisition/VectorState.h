// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tessary {

// Clears the upper halves of the vector registers (vzeroupper) on x86 processors with AVX;
// elsewhere it does nothing. Some of the libraries a window loads leave them dirty, and until
// they are cleared every later SSE instruction waits on them: measured on these machines, the
// simulated card's sine then costs up to nine times as much. Cheap enough to call before
// every stretch of floating-point work.
void ClearUpperVectorState();

} // namespace tessary
