// Every test program takes the process locale from the environment at start, as Qt does for the
// program (test layer). Under LC_ALL=de_DE.UTF-8 (./test.sh runs the folders again so) a number
// or date conversion that follows the C locale reads "4.5" as 4 and fails its test.
#include <clocale>

namespace {
[[maybe_unused]] const bool kLocaleFromEnvironment = std::setlocale(LC_ALL, "") != nullptr;
}  // namespace
