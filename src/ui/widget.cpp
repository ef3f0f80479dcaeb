#include "ui/widget.h"

namespace orx {

bool Widget::StylusDown(Point, Widget*&) { return false; }
int Widget::StylusMove(Point) { return kMoveNotHandled; }
bool Widget::StylusUp(platform::Host*, Point) { return false; }

void Widget::SetFocus(bool on) {
  if (on) {
    flags |= kWidgetFocused;
  } else {
    flags &= ~kWidgetFocused;
  }
}

void Widget::KeyInput(int, int) {}
void Widget::MoveTo(int, int) {}
void Widget::GetOrigin(Point&) const {}

void ShowWidget(Widget& widget, bool on) {
  if (on) {
    widget.flags |= kWidgetVisible;
  } else {
    widget.flags &= ~(kWidgetVisible | kWidgetFocused);
  }
}

void EnableWidget(Widget& widget, bool on) {
  if (on) {
    widget.flags |= kWidgetEnabled;
  } else {
    widget.flags &= ~kWidgetEnabled;
  }
}

}  // namespace orx
