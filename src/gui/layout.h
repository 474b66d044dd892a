// Automatic layout of a container's controls by kind and order (Qt layer).
//
// Rows are formed in creation order: a label followed by an input (edit, combo box, date
// picker) shares its row, with a speed button after the input as a third cell; every other
// control takes a row of its own. A container with `columns` > 1 flows its rows top to bottom
// into that many columns; a container marked `row` lines its controls up left to right (a row of
// labels only is a header over the inputs below, sharing the width alike; in other rows a leading
// label has a common minimum width, so that stacked rows line up, and an edit whose MaxLength is
// a short code's keeps the width of its characters). Lists, grids and page controls take the
// spare height; elsewhere the spare space stays at the bottom.
#pragma once

#include <QWidget>

#include "ui/component.h"

namespace riviza::gui {

class Binding;
class FormView;

// Creates the widgets of every control inside `container` (recursively) in the container
// binding's content widget, binds them and lays them out.
void buildChildren(FormView& view, ui::TWinControl& container, Binding& containerBinding);

}  // namespace riviza::gui
