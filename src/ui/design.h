// Design-time declaration of a form's components (user-interface layer).
//
// The Windows program keeps its forms in designer files; here a form declares its components in
// one list, one line each: kind, name, parent and the design values that differ from the
// defaults. The list is an X-macro so that one line both declares the typed member (TEdit*
// EditOrdnerBw) and creates the component with its name as text, in list order; parents come
// before their children, and the order within a parent is the layout order. Handlers are bound
// the same way from a second list, which also declares each handler with the signature of its
// event. Design values use designated initializers in the order of the fields below.
#pragma once

#include <string>
#include <type_traits>
#include <vector>

#include "ui/component.h"

namespace riviza::db {
class TTable;
}

namespace riviza::ui {

class TDataSource;

// A grid column drawn at a fixed width instead of one fitted to its contents.
struct ColumnWidth {
  std::string field;
  int pixels = 0;
};

struct Design {
  std::string caption{};             // Caption, or the Text of edits and combo boxes
  std::vector<std::string> items{};  // radio groups, combo boxes, list boxes
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  bool readOnly = false;
  int maxLength = 0;      // characters; 0 = unlimited
  bool password = false;  // edits show a mask character
  bool sorted = false;
  int columns = 0;   // radio-group columns, or columns a container flows its children into
  bool row = false;  // a container lays its children out in one horizontal row
  int interval = 0;  // timer, milliseconds
  bool tabVisible = true;
  TDataSource* dataSource = nullptr;  // data-aware controls
  db::TTable* dataSet = nullptr;      // data sources
  std::string field{};                // data-aware edits and check boxes: the field name
  std::vector<std::string> fields{};  // grids: the column fields, in order
  std::vector<ColumnWidth> widths{};  // grids: the columns of fixed width
  std::string picture{};              // images: a picture file, or "check" for the check mark
  TColor fontColor = 0x80000008;      // labels: the text colour (0x00BBGGRR; default window text)
  bool bold = false;                  // labels: bold text
};

// Creates a component of kind T on `owner`, inside `parent` when it is a control, and applies
// its design values.
template <class T>
T* addComponent(TComponent& owner, const char* name, TWinControl* parent, const Design& design) {
  T* made;
  if constexpr (std::is_base_of_v<TControl, T>)
    made = &owner.make<T>(name, parent);
  else
    made = &owner.make<T>(name);
  made->applyDesign(design);
  return made;
}

// The handler signature of an event member: void(TComponent&) for a TNotifyEvent, and so on.
template <class Event>
struct HandlerOf;
template <class R, class... A>
struct HandlerOf<std::function<R(A...)>> {
  using type = R(A...);
};

}  // namespace riviza::ui

// Expansions for the component list X(Type, Name, Parent, design...):
#define RIVIZA_DECLARE_COMPONENT(Type, Name, Parent, ...) Type* Name = nullptr;
#define RIVIZA_CREATE_COMPONENT(Type, Name, Parent, ...) \
  Name = ::riviza::ui::addComponent<Type>(*this, #Name, Parent, ::riviza::ui::Design{__VA_ARGS__});

// Expansions for the handler list X(Component, Event, Handler): the handler is declared as a
// member function with the event's signature, and bound to the component's event.
#define RIVIZA_DECLARE_HANDLER(Component, Event, Handler) \
  ::riviza::ui::HandlerOf<decltype(std::remove_pointer_t<decltype(Component)>::Event)>::type Handler;
#define RIVIZA_BIND_HANDLER(Component, Event, Handler) \
  Component->Event = [this](auto&&... args) { this->Handler(std::forward<decltype(args)>(args)...); };
