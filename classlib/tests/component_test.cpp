#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/component.h"
#include "classlib/event.h"
#include "classlib/exceptions.h"

namespace classlib {
namespace {

using Log = std::vector<std::string>;

// A component that records what it hears and keeps one reference to another
// component, cleared when that one goes away.
class Probe : public TComponent {
  CLASSLIB_CLASS(Probe, TComponent)
 public:
  Probe(TComponent* owner, const std::string& name, Log* log) : TComponent(owner), log_(log) {
    SetName(name);
  }
  ~Probe() override { log_->push_back("~" + Name()); }

  TComponent* ref = nullptr;
  int loaded_calls = 0;
  bool loading_seen_in_loaded = false;
  bool call_inherited = true;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (call_inherited) TComponent::Notification(component, operation);
    if (operation == opRemove && component == ref) ref = nullptr;
    if (operation == opRemove)
      log_->push_back(Name() + " heard -" + component->Name() +
                      (component->ComponentState().Contains(csDestroying) ? " (destroying)" : ""));
  }
  void Loaded() override {
    loading_seen_in_loaded = ComponentState().Contains(csLoading);
    TComponent::Loaded();
    ++loaded_calls;
    log_->push_back("loaded " + Name());
  }

 private:
  Log* log_;
};

bool Contains(const Log& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}

TEST(Component, OwnerFreesWhatItOwnsLastFirst) {
  Log log;
  auto* form = new Probe(nullptr, "Form", &log);
  new Probe(form, "A", &log);
  auto* b = new Probe(form, "B", &log);
  new Probe(b, "Inner", &log);
  ASSERT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(b->Owner(), form);
  EXPECT_EQ(b->ComponentIndex(), 1);
  delete form;
  // Each destructor body runs before the components its object owns go;
  // owned components go last first.
  Log destroyed;
  for (auto& line : log)
    if (line[0] == '~') destroyed.push_back(line);
  EXPECT_EQ(destroyed, (Log{"~Form", "~B", "~Inner", "~A"}));
}

TEST(Component, AChildFreeingASiblingWhileTheOwnerGoesIsSafe) {
  Log log;
  struct Freer : Probe {
    using Probe::Probe;
    ~Freer() override { delete victim; }
    TComponent* victim = nullptr;
  };
  auto* form = new Probe(nullptr, "Form", &log);
  auto* victim = new Probe(form, "Victim", &log);
  auto* freer = new Freer(form, "Freer", &log);
  freer->victim = victim;
  delete form;  // Freer goes first and takes Victim with it
  EXPECT_EQ(std::count(log.begin(), log.end(), "~Victim"), 1);
}

TEST(Component, DeletedChildLeavesItsOwnerAndSiblingsHear) {
  Log log;
  Probe form(nullptr, "Form", &log);
  auto* a = new Probe(&form, "A", &log);
  auto* b = new Probe(&form, "B", &log);
  a->ref = b;
  delete b;
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Components(0), a);
  EXPECT_EQ(a->ref, nullptr);
  EXPECT_TRUE(Contains(log, "A heard -B (destroying)"));
  EXPECT_TRUE(Contains(log, "Form heard -B (destroying)"));
  EXPECT_THROW(form.Components(1), EListError);
}

TEST(Component, InsertingMovesAComponentBetweenOwners) {
  Log log;
  Probe first(nullptr, "First", &log), second(nullptr, "Second", &log);
  auto* c = new Probe(&first, "C", &log);
  second.InsertComponent(c);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.FindComponent("c"), c);
  EXPECT_TRUE(Contains(log, "First heard -C"));
  first.InsertComponent(nullptr);
  EXPECT_EQ(first.ComponentCount(), 0);
}

TEST(Component, FreeNotificationWorksBothWaysAndLeavesNothingBehind) {
  Log log;
  Probe form1(nullptr, "Form1", &log), form2(nullptr, "Form2", &log);
  auto* a = new Probe(&form1, "A", &log);
  auto* b = new Probe(&form2, "B", &log);
  auto* c = new Probe(nullptr, "C", &log);
  a->ref = b;
  b->ref = a;
  c->ref = a;
  a->FreeNotification(b);
  c->FreeNotification(a);

  delete a;  // both subscribers hear it, whichever side asked
  EXPECT_EQ(b->ref, nullptr);
  EXPECT_EQ(c->ref, nullptr);
  EXPECT_TRUE(Contains(log, "B heard -A (destroying)"));
  EXPECT_TRUE(Contains(log, "C heard -A (destroying)"));
  // Neither B nor C may still hold A: deleting them would touch freed memory.
  delete b;
  delete c;
}

TEST(Component, RemovedOrIgnoredNotificationsDoNotDangle) {
  Log log;
  auto* a = new Probe(nullptr, "A", &log);
  auto* b = new Probe(nullptr, "B", &log);
  auto* c = new Probe(nullptr, "C", &log);
  a->FreeNotification(b);
  a->RemoveFreeNotification(b);
  // C overrides Notification without calling the inherited one.
  c->call_inherited = false;
  c->FreeNotification(a);
  delete b;
  EXPECT_FALSE(Contains(log, "A heard -B (destroying)"));
  delete a;
  EXPECT_TRUE(Contains(log, "C heard -A (destroying)"));
  delete c;  // would reach the freed A if C still listed it
}

TEST(Component, NamesAreIdentifiersAndUniquePerOwnerIgnoringCase) {
  Log log;
  Probe form(nullptr, "Form", &log);
  auto* a = new Probe(&form, "Edit1", &log);
  auto* b = new Probe(&form, "", &log);
  new Probe(&form, "", &log);  // empty names may repeat

  try {
    b->SetName("EDIT1");
    FAIL() << "duplicate accepted";
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named EDIT1 already exists");
  }
  EXPECT_EQ(b->Name(), "");
  a->SetName("EDIT1");  // a new case of its own name is no clash
  EXPECT_EQ(form.FindComponent("edit1"), a);

  for (const char* bad : {"1abc", "a b", "a-b", "ab\xC3\xA9"}) {
    try {
      b->SetName(bad);
      FAIL() << "accepted " << bad;
    } catch (const EComponentError& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("Component name \"") + bad + "\" is not a valid component name");
    }
  }
  b->SetName("_ok_2");
  EXPECT_EQ(form.FindComponent("_OK_2"), b);
  EXPECT_EQ(form.FindComponent(""), nullptr);

  Probe other(nullptr, "Other", &log);
  auto* clash = new Probe(&other, "edit1", &log);
  EXPECT_THROW(form.InsertComponent(clash), EComponentError);
  EXPECT_EQ(clash->Owner(), &other);
}

TEST(Component, LoadingCallsLoadedOncePerComponentOwnersFirst) {
  Log log;
  Probe form(nullptr, "Form", &log);
  auto* a = new Probe(&form, "A", &log);
  auto* inner = new Probe(a, "Inner", &log);
  form.BeginLoading();
  auto* late = new Probe(&form, "Late", &log);  // created while the form is read
  for (TComponent* c : {static_cast<TComponent*>(&form), static_cast<TComponent*>(a),
                        static_cast<TComponent*>(inner), static_cast<TComponent*>(late)})
    EXPECT_TRUE(c->ComponentState().Contains(csLoading) &&
                c->ComponentState().Contains(csReading));
  form.EndLoading();
  for (Probe* p : {&form, a, inner, late}) {
    EXPECT_EQ(p->loaded_calls, 1) << p->Name();
    EXPECT_TRUE(p->loading_seen_in_loaded);
    EXPECT_TRUE(p->ComponentState().Empty()) << p->Name();
  }
  Log order;
  for (auto& line : log)
    if (line.rfind("loaded ", 0) == 0) order.push_back(line.substr(7));
  EXPECT_EQ(order, (Log{"Form", "A", "Inner", "Late"}));
  form.EndLoading();  // nothing pending: no second Loaded
  EXPECT_EQ(a->loaded_calls, 1);
}

TEST(Component, DesigningReachesOwnedAndLaterComponents) {
  Log log;
  Probe form(nullptr, "Form", &log);
  auto* a = new Probe(&form, "A", &log);
  form.SetDesigning(true);
  auto* b = new Probe(&form, "B", &log);
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));
  EXPECT_TRUE(b->ComponentState().Contains(csDesigning));
  form.SetDesigning(false, false);
  EXPECT_FALSE(form.ComponentState().Contains(csDesigning));
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));
}

// ---- TPersistent

class Point : public TPersistent {
  CLASSLIB_CLASS(Point, TPersistent)
 public:
  int x = 0;
  void Assign(const TPersistent* source) override {
    if (auto* p = dynamic_cast<const Point*>(source)) {
      x = p->x;
      return;
    }
    TPersistent::Assign(source);
  }
};

// Knows how to put itself into a Point, though Point does not know it.
class Polar : public TPersistent {
  CLASSLIB_CLASS(Polar, TPersistent)
 public:
  int r = 7;

 protected:
  void AssignTo(TPersistent* dest) const override {
    if (auto* p = dynamic_cast<Point*>(dest)) {
      p->x = r;
      return;
    }
    TPersistent::AssignTo(dest);
  }
};

TEST(Persistent, AssignFindsWhicheverSideKnowsTheOther) {
  Point a, b;
  b.x = 3;
  a.Assign(&b);
  EXPECT_EQ(a.x, 3);
  Polar polar;
  a.Assign(&polar);
  EXPECT_EQ(a.x, 7);
  try {
    polar.Assign(&a);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a Point to a Polar");
  }
  try {
    a.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a nil to a Point");
  }
}

// ---- Handler lists

struct Handler : TComponent {
  explicit Handler(TComponent* owner) : TComponent(owner) {}
  int calls = 0;
  void OnEvent(TObject*) { ++calls; }
};

TEST(EventList, KeepsEachHandlerOnceAndDropsByHandlerOrObject) {
  Handler h1(nullptr), h2(nullptr);
  EventList<void(TObject*)> list;
  TNotifyEvent e1(&h1, &Handler::OnEvent), e2(&h2, &Handler::OnEvent);
  EXPECT_TRUE(list.Add(e1));
  EXPECT_FALSE(list.Add(TNotifyEvent(&h1, &Handler::OnEvent)));
  EXPECT_FALSE(list.Add(TNotifyEvent()));
  list.Add(e2);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0).Instance(), &h1);
  EXPECT_FALSE(list.Items(5));
  list.Call(nullptr);
  EXPECT_EQ(h1.calls + h2.calls, 2);
  EXPECT_EQ(list.RemoveObject(&h1), 1);
  EXPECT_EQ(list.IndexOf(e2), 0);
  EXPECT_EQ(list.Remove(e2), 1);
  EXPECT_EQ(list.Count(), 0);
}

TEST(EventList, AHandlerMayRemoveItselfWhileCalled) {
  EventList<void()> list;
  int calls = 0;
  Event<void()> self;
  self = Event<void()>::Function([&] { ++calls; list.Remove(self); });
  list.Add(self);
  list.Add(Event<void()>::Function([&] { calls += 10; }));
  list.Call();
  list.Call();
  EXPECT_EQ(calls, 21);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(Event<void()>::Function([] {}).Instance(), nullptr);
}

}  // namespace
}  // namespace classlib
