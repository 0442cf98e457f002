#pragma once

namespace scribeon {

// The keys the panels act on; everything else is `other` and passes on.
enum class PanelKey { returnKey, keypadEnter, escape, up, down, other };

// What a key comes to in the command chooser.
enum class ChooserKeyEffect {
    run,     // run the highlighted command
    dismiss, // close the chooser and give the keyboard back
    moved,   // the highlight moved
    passOn,  // not the chooser's key
};

} // namespace scribeon
