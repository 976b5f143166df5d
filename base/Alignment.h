#pragma once
// Horizontal alignment of a text: shared by fields (their default alignment)
// and by the controls that show them.

namespace tallivo {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

} // namespace tallivo
