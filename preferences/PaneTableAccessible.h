#pragma once

// What assistive tools are told about a PaneTableView: a list whose items are
// its rows, each named by what the row shows, chosen or not, and, where the
// row holds a box, checkable and checked as its box is. The widgets a row is
// drawn with stay out of the tree: the row speaks for them.
namespace PaneTableAccessible {

// Puts the interface in place for every pane table of the program; once is
// enough, more calls do nothing.
void install();

} // namespace PaneTableAccessible
