#include <gtest/gtest.h>

#include "events/Event.h"
#include "events/EventTarget.h"
#include "events/RecordingTarget.h"
#include "support/TestSupport.h"

namespace vesk {
namespace {

using test::RecordingPresenter;
using test::RecordingTarget;
using Strings = std::vector<std::string>;

std::string notFound(const std::string& name) {
  return "Assertion failed :\nit != _names.end()\nA named EventTarget was not found; Check the "
         "name : " +
         name;
}

// The application's fixed objects, installed for the test's lifetime.
class FixedObjects : public ReservedTargets {
 public:
  FixedObjects() { _previous = EventTarget::setReservedTargets(this); }
  ~FixedObjects() override { EventTarget::setReservedTargets(_previous); }
  EventTarget* core() override { return &coreTarget; }
  EventTarget* renderer() override { return nullptr; }  // not created yet
  EventTarget* viewport(int index) override { return &viewports[index]; }
  EventTarget* sound() override { return &soundTarget; }

  RecordingTarget coreTarget, soundTarget;
  RecordingTarget viewports[16];

 private:
  ReservedTargets* _previous;
};

TEST(Event, ParametersReadBackByPositionAndCopiesOwnTheirValues) {
  RecordingPresenter presenter;
  Event copy;
  EXPECT_EQ(copy.getCode(), 0);
  EXPECT_EQ(copy.getTargetName(), "");
  {
    auto original = make<Event>(here(), "DEFVIEWPORT", 22);
    original->addInt(1).addFloat(1.0f).addString("loading10").addBool(true);
    copy = Event("other", 5).addInt(9).addInt(9).addInt(9).addInt(9).addInt(9);
    copy = *original;
  }
  ASSERT_EQ(copy.paramCount(), 4u);
  EXPECT_EQ(copy.getInt(0), 1);
  EXPECT_EQ(copy.getFloat(1), 1.0f);
  EXPECT_EQ(copy.getString(2), "loading10");
  EXPECT_TRUE(copy.getBool(3));
  EXPECT_EQ(copy.kind(2), VK_PARAM_STRING);
  EXPECT_EQ(copy.kind(4), VK_PARAM_NONE);
  EXPECT_EQ(copy.getTargetName(), "DEFVIEWPORT");
  EXPECT_TRUE(presenter.diagnoses().empty());
}

TEST(Event, MissingOrMistypedParameterIsReportedAndReadsAsZero) {
  RecordingPresenter presenter;
  Event event("DEFVIEWPORT", 22);
  event.addInt(1).addFloat(1.5f).addString("loading10");
  EXPECT_EQ(event.getString(3), "");
  EXPECT_EQ(event.getInt(1), 0);
  EXPECT_EQ(event.getBool(0), false);
  EXPECT_EQ(event.getFloat(7), 0.0f);
  EXPECT_EQ(presenter.diagnoses(),
            (Strings{"Assertion failed :\nnum < _params.size()\nParameter #3 not present for "
                     "Event 22 on target DEFVIEWPORT",
                     "Assertion failed :\nkind(num) == VK_PARAM_INT\nParameter #1 of Event 22 on "
                     "target DEFVIEWPORT is of kind float, not int",
                     "Assertion failed :\nkind(num) == VK_PARAM_BOOL\nParameter #0 of Event 22 on "
                     "target DEFVIEWPORT is of kind int, not bool",
                     "Assertion failed :\nnum < _params.size()\nParameter #7 not present for "
                     "Event 22 on target DEFVIEWPORT"}));
}

TEST(EventTarget, ReservedNamesResolveThroughTheFixedObjectsOnly) {
  RecordingPresenter presenter;
  RecordingTarget impostor("CORE");
  RecordingTarget zero("VIEWPORT0");
  EXPECT_EQ(EventTarget::find("CORE"), nullptr);  // nothing installed: never the registry
  {
    FixedObjects fixed;
    EXPECT_EQ(EventTarget::find("CORE"), &fixed.coreTarget);
    EXPECT_EQ(EventTarget::find("SOUND"), &fixed.soundTarget);
    EXPECT_EQ(EventTarget::find("DEFVIEWPORT"), &fixed.viewports[0]);
    EXPECT_EQ(EventTarget::find("VIEWPORT1"), &fixed.viewports[1]);
    EXPECT_EQ(EventTarget::find("VIEWPORT9"), &fixed.viewports[9]);
    EXPECT_EQ(EventTarget::find("VIEWPORT15"), &fixed.viewports[15]);
    // Not reserved, so looked up by name.
    EXPECT_EQ(EventTarget::find("VIEWPORT0"), &zero);
    EXPECT_EQ(EventTarget::find("VIEWPORT01"), nullptr);
    EXPECT_EQ(EventTarget::find("VIEWPORT16"), nullptr);
    EXPECT_EQ(EventTarget::find("RENDERER"), nullptr);
  }
  EXPECT_EQ(presenter.diagnoses(), (Strings{notFound("CORE"), notFound("VIEWPORT01"),
                                            notFound("VIEWPORT16"), notFound("RENDERER")}));
}

TEST(EventTarget, FirstRegisteredUnderANameIsFoundUntilItGoes) {
  RecordingPresenter presenter;
  auto first = make<RecordingTarget>(here(), "x");
  RecordingTarget second("x");
  Event event("x", 7);
  event.send();
  EXPECT_EQ(first->codes().size(), 1u);
  first.reset();
  event.send();
  EXPECT_EQ(second.codes().size(), 1u);

  second.setName("y");
  EXPECT_EQ(second.getName(), "y");
  EXPECT_EQ(EventTarget::find("y"), &second);
  event.send();  // "x" is gone: reported, nothing else happens
  EXPECT_EQ(second.codes().size(), 1u);
  EXPECT_EQ(presenter.diagnoses(), Strings{notFound("x")});
}

TEST(EventTarget, UnlistedCopyIsNeverFoundAndCannotBeRenamed) {
  RecordingPresenter presenter;
  auto original = make<RecordingTarget>(here(), "ville.Particle");
  {
    struct Clone : EventTarget {
      explicit Clone(const EventTarget& from) : EventTarget(from, Unlisted{}) {}
    } clone(*original);
    EXPECT_EQ(clone.getName(), "ville.Particle");
    clone.setName("other");
    EXPECT_EQ(clone.getName(), "ville.Particle");
    EXPECT_EQ(presenter.errors(),
              Strings{"Could not remove previous event target; reason : name not found"});
  }  // the clone's end leaves the original's entry in place
  EXPECT_EQ(EventTarget::find("ville.Particle"), original.get());
  original.reset();
  EXPECT_EQ(EventTarget::find("ville.Particle"), nullptr);
}

TEST(Event, SendReportsAnEventTheTargetDidNotProcess) {
  RecordingPresenter presenter;
  FixedObjects fixed;
  Event("CORE", 1).send();
  EXPECT_TRUE(presenter.diagnoses().empty());

  fixed.coreTarget.answer = 0;
  Event("CORE", 99).send();
  EventTarget plain;
  plain.setName("plain");
  Event("plain", 3).send();  // the default handler processes nothing
  EXPECT_EQ(
      presenter.diagnoses(),
      (Strings{"Assertion failed :\nres == VK_EVENT_PROCESSED\nEvent 99wasn't processed by CORE",
               "Assertion failed :\nres == VK_EVENT_PROCESSED\nEvent 3wasn't processed by plain"}));
  EXPECT_EQ(fixed.coreTarget.codes(), (std::vector<std::int32_t>{1, 99}));
}

}  // namespace
}  // namespace vesk
