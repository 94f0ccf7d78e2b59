// The root of the class library's object model: every class that messages
// print by name, that is kept in lists of objects, or whose ancestry is tested
// by name derives from TObject and declares itself with CLASSLIB_CLASS.
#pragma once

#include <string>
#include <string_view>

namespace classlib {

// The name of a class and the class it derives from; a chain ends at TObject.
struct TClassInfo {
  const char* name;
  const TClassInfo* parent;
};

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;

  static const TClassInfo& StaticClassInfo();
  virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }

  std::string ClassName() const { return ClassInfo().name; }
  // Walks the parent chain comparing names case-insensitively, as the
  // platform's class-name tests do.
  bool InheritsFromByName(std::string_view name) const;
  bool ClassNameIs(std::string_view name) const;
};

bool ClassInfoInheritsFrom(const TClassInfo& info, std::string_view name);

}  // namespace classlib

// Declares the class's own name and its parent for the ClassName chain.
// Put it first in the class body: CLASSLIB_CLASS(TStringList, TStrings)
#define CLASSLIB_CLASS(Name, Parent)                                        \
 public:                                                                    \
  static const ::classlib::TClassInfo& StaticClassInfo() {                  \
    static const ::classlib::TClassInfo info{#Name, &Parent::StaticClassInfo()}; \
    return info;                                                            \
  }                                                                         \
  const ::classlib::TClassInfo& ClassInfo() const override {                \
    return StaticClassInfo();                                               \
  }                                                                         \
                                                                            \
 private:
