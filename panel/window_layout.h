// Where every control of the three windows lies and what it says: data only,
// read by every set of views (Qt, Win32), so that they cannot drift apart.
// Entries come in tab order; containers come before what they hold.
#pragma once

#include <string_view>
#include <vector>

namespace intercom {

enum class ViewKind {
  PageControl,  // the tabs; its pages follow as Page entries
  Page,
  GroupBox,
  Label,    // grows to its text from its left top corner
  Picture,  // the device's front panel, or an empty frame
  Edit,
  Trace,  // a request or reply trace: any length, one line
  Button,
  StepButton,  // "-" or "+" of a level slider
  TrackBar,
  CheckBox,
  ComboBox,
};

// A rectangle in pixels inside the parent's client area (a group box's from
// its own top left corner, frame and caption included).
struct LayoutRect {
  int left;
  int top;
  int width;
  int height;
};

struct ControlLayout {
  const char* name;  // the control's name in the panel model ("Edit14", "Form2.ComboBox1")
  ViewKind kind;
  const char* parent;  // the container's name; "" for the window's client area
  LayoutRect place;
  const char* caption;         // UTF-8; "" for none
  int fontPixels;              // the caption's character height
  const char* accessibleName;  // UTF-8; what assistive technology reads for it, "" for the caption
  bool up = false;             // StepButton: "+" rather than "-"
};

// One window: its client area's size, where it first shows and its controls.
struct WindowLayout {
  const char* name;  // "Form1", "Form2", "Form3"
  int clientWidth;
  int clientHeight;
  int firstLeft;  // the outer frame's top left corner on the screen at the first showing
  int firstTop;
  std::vector<ControlLayout> controls;
};

// The main window without its device pages: the rows outside its page
// control and the page control itself. A PanelDescription adds the pages.
WindowLayout MainWindowFrame();
// The main window with the pages of the four kinds of the installation.
const WindowLayout& MainWindowLayout();
const WindowLayout& PortDialogLayout();
const WindowLayout& AddressDialogLayout();

// The entry named `name` in `window`; null when there is none.
const ControlLayout* FindLayout(const WindowLayout& window, std::string_view name);
// The same for an entry that must be there: throws std::out_of_range otherwise.
const ControlLayout& LayoutOf(const WindowLayout& window, std::string_view name);

// Whether a control of `kind` takes the keyboard focus (and so a place in the
// tab order).
bool TakesFocus(ViewKind kind);

}  // namespace intercom
