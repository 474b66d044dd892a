// The result type of the lower layers (platform, db, zip, net, office).
//
// Expected failures do not throw below the form library: a routine returns Result<T>, which holds
// either a value or an Error (code, text and the place it was raised). C++20 has no
// std::expected, so this is the project's one small substitute. "Not found" is std::optional,
// not an Error. Exceptions remain for bugs and exhaustion only.
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace riviza {

struct Error {
  // Layer-specific code: errno for the platform, the zip engine's error numbers, SQLite codes in
  // db, ... Zero is never a failure code by itself; an Error always means failure.
  int code = -1;
  std::string message;
  const char* file = "";
  unsigned line = 0;

  // The caller's place comes from the builtins rather than std::source_location, which the
  // clang of the fuzzing build cannot use with this standard library.
  static Error make(int code, std::string message, const char* file = __builtin_FILE(),
                    unsigned line = __builtin_LINE()) {
    return Error{code, std::move(message), file, line};
  }
  // "where" for logs and test failures: file:line and the text.
  std::string describe() const;
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}
  Result(Error error) : v_(std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    assert(ok());
    return std::get<0>(v_);
  }
  const T& value() const& {
    assert(ok());
    return std::get<0>(v_);
  }
  T&& value() && {
    assert(ok());
    return std::get<0>(std::move(v_));
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  const Error& error() const {
    assert(!ok());
    return std::get<1>(v_);
  }
  T valueOr(T fallback) const { return ok() ? std::get<0>(v_) : std::move(fallback); }

 private:
  std::variant<T, Error> v_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error)), ok_(false) {}

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const Error& error() const {
    assert(!ok_);
    return error_;
  }

 private:
  Error error_;
  bool ok_ = true;
};

using Status = Result<void>;

inline Status okStatus() { return {}; }

inline std::string Error::describe() const {
  std::string where = file;
  auto slash = where.find_last_of('/');
  if (slash != std::string::npos) where.erase(0, slash + 1);
  return message + " [" + std::to_string(code) + " at " + where + ":" + std::to_string(line) + "]";
}

}  // namespace riviza

// Propagate a failed Result/Status from the enclosing function.
#define RIVIZA_TRY(expr)                               \
  do {                                                 \
    auto&& rivizaTryResult_ = (expr);                  \
    if (!rivizaTryResult_.ok()) return rivizaTryResult_.error(); \
  } while (0)

// The one check for untrusted input (archives, cost-bearer files, ini files, downloads): when
// the condition fails, return the layer's bad-data Error, recording where it was found.
#define RIVIZA_CHECK_DATA(cond, code, message)                  \
  do {                                                          \
    if (!(cond)) return ::riviza::Error::make((code), (message)); \
  } while (0)
