// Named SQL conditions of a statement. Each line is a name, "=" and a
// condition; the enabled ones are joined with "and" into the statement's
// main WHERE clause when the conditions are applied, and the statement's
// own text comes back when they are cancelled.
#pragma once

#include <string>

#include "classlib/component.h"
#include "classlib/strings.h"

namespace fib {

class TConditions;

// The state of one line. Freeing it removes its line.
class TCondition : public classlib::TObject {
  CLASSLIB_CLASS(TCondition, classlib::TObject)
 public:
  explicit TCondition(TConditions* list) : list_(list) {}
  ~TCondition() override;
  TCondition(const TCondition&) = delete;
  TCondition& operator=(const TCondition&) = delete;

  TConditions* List() const { return list_; }
  int Index() const;
  std::string Name() const;
  // The line's text after its first "=".
  std::string Text() const;
  void SetText(const std::string& text);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }

 private:
  friend class TConditions;
  TConditions* list_;
  bool enabled_ = false;
};

class TConditions : public classlib::TStringList {
  CLASSLIB_CLASS(TConditions, classlib::TStringList)
 public:
  // `owner` is the statement (implementing IConditionsOwner) or nullptr.
  explicit TConditions(classlib::TComponent* owner = nullptr);
  ~TConditions() override;

  TCondition* Condition(int index) const;
  // nullptr when no line has that name (any case).
  TCondition* FindCondition(const std::string& name) const;
  // Replaces the text of the condition of that name, or adds it; adding an
  // enabled condition makes the applied text stale.
  TCondition* AddCondition(const std::string& name, const std::string& text, bool enabled);

  // "(A)" CR LF CR LF " and (B)" CR LF ... over the enabled, non-blank ones.
  std::string ConditionsText() const;
  // Puts the conditions into the statement's main WHERE clause, starting
  // from the statement's own text each time.
  void Apply();
  // Gives the statement its own text back.
  void Cancel();
  bool Applied() const { return applied_; }
  // True while Apply or Cancel changes the statement's text, so the
  // statement can tell that change from the user's.
  bool IsChanging() const { return changing_; }
  // The statement's text changed for another reason: the saved text no
  // longer applies.
  void ForgetUnconditionedText() { unconditioned_.clear(); has_unconditioned_ = false; }

  // One line per condition: name "#$#$" text "#$#$" and "1" or "0".
  std::string AsText() const;
  void SetAsText(const std::string& text);

  classlib::TPersistent* GetOwner() const override { return owner_; }

  // Every line carries a condition of its own; removing a line frees it.
  // An object added with a line is not kept: a condition's Enabled is
  // copied into the new line's condition, anything else is left alone.
  void Delete(int index) override;
  void Clear() override;

 protected:
  void InsertItem(int index, const std::string& s, classlib::TObject* object) override;
  void Put(int index, const std::string& s) override;

 private:
  friend class TCondition;
  void Detach(TCondition* condition);

  classlib::TComponent* owner_;
  bool applied_ = false;
  bool changing_ = false;
  bool has_unconditioned_ = false;
  std::string unconditioned_;
};

}  // namespace fib
