// A component of a lower layer placed on a form (user-interface layer).
//
// The download component (net) and the zip components (zip) know nothing of forms. Placed on a
// form they need what every component has there, an owner and a name, and are otherwise what
// their layer made them: TComponentOf<Engine> is both, as ui::TTable is for the table. The form
// destroys it with its other components, which runs the engine's destructor (a download stops).
#pragma once

#include <string>
#include <utility>

#include "ui/component.h"

namespace riviza::ui {

template <class Engine>
class TComponentOf : public TComponent, public Engine {
 public:
  TComponentOf(TComponent* owner, std::string name) : TComponent(owner, std::move(name)) {}
};

}  // namespace riviza::ui
