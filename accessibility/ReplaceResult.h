#pragma once

namespace scribeon {

// What a replacement did: the text went in (written or pasted), or it is
// only on the clipboard and the user has to paste it.
enum class ReplaceResult { replaced, clipboardOnly };

} // namespace scribeon
