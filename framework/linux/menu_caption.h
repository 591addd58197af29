#pragma once
// Menu captions in GTK's mnemonic notation.
#include <string>
#include <string_view>

namespace snx {

// "&X" marks X as the mnemonic ("_X"), "&&" is a literal "&"; a literal
// "_" is doubled so that GTK shows it rather than taking it as a mark.
std::string MnemonicCaption(std::string_view caption);

}  // namespace snx
