#include <QB/EventSource.hpp>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

class Recorder : public QB::EventObserver {
public:
    Recorder(std::string name, std::vector<std::string>& log) : _name(std::move(name)), _log(log) {}

    void OnEvent() {
        _log.push_back(_name);
        if (onEvent) {
            onEvent();
        }
    }
    void SourceDestroyed(QB::EventSource&) override { _log.push_back(_name + " saw source go"); }

    std::function<void()> onEvent;

private:
    std::string _name;
    std::vector<std::string>& _log;
};

class Source : public QB::EventSource {
public:
    void Notify() {
        NotifyObservers<Recorder>([](Recorder& recorder) { recorder.OnEvent(); });
    }
};

class Unrelated : public QB::EventObserver {};

struct EventSourceTest : testing::Test {
    std::vector<std::string> log;
    Source source;
    Recorder a{"a", log}, b{"b", log}, c{"c", log};

    void AttachAll() {
        source.Attach(a);
        source.Attach(b);
        source.Attach(c);
    }
};

} // namespace

TEST_F(EventSourceTest, ObserversAreCalledNewestFirstOthersSkippedAndAnExceptionLeavesTheSourceUsable) {
    Unrelated unrelated;
    source.Attach(a);
    source.Attach(unrelated);
    source.Attach(b);
    source.Attach(c);
    EXPECT_FALSE(source.Attach(b));
    source.Notify();
    EXPECT_EQ(log, (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(source.GetObserverCount(), 4u);

    // An exception from an observer leaves the source usable.
    AttachAll();
    b.onEvent = [] { throw std::runtime_error("boom"); };
    EXPECT_THROW(source.Notify(), std::runtime_error);
    b.onEvent = nullptr;
    log.clear();
    source.Notify();
    EXPECT_EQ(log, (std::vector<std::string>{"c", "b", "a"}));
}

TEST_F(EventSourceTest, ObserversDetachedDuringNotificationAreNotCalledAndTheWalkGoesOn) {
    AttachAll();
    b.onEvent = [&] {
        source.Detach(b);
        source.Detach(c);
    };
    source.Notify();
    EXPECT_EQ(log, (std::vector<std::string>{"c", "b", "a"}));
    log.clear();
    source.Notify();
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));

    log.clear();
    b.onEvent = nullptr;
    AttachAll();
    c.onEvent = [&] { source.Detach(a); };
    source.Notify();
    EXPECT_EQ(log, (std::vector<std::string>{"c", "b"}));
    EXPECT_FALSE(source.IsAttached(a));
}

TEST_F(EventSourceTest, ObserverAttachedDuringNotificationWaitsForTheNextOne) {
    AttachAll();
    Recorder late("late", log);
    b.onEvent = [&] { source.Attach(late); };
    source.Notify();
    EXPECT_EQ(log, (std::vector<std::string>{"c", "b", "a"}));
    log.clear();
    b.onEvent = nullptr;
    source.Notify();
    EXPECT_EQ(log, (std::vector<std::string>{"late", "c", "b", "a"}));
}

TEST_F(EventSourceTest, NestedNotificationsEachFollowTheRules) {
    AttachAll();
    bool nested = false;
    b.onEvent = [&] {
        if (!nested) {
            nested = true;
            source.Notify();
        }
    };
    source.Notify();
    EXPECT_EQ(log, (std::vector<std::string>{"c", "b", "c", "b", "a", "a"}));
}

TEST_F(EventSourceTest, DestroyingAnObserverDetachesItFromEverySourceAndCopiesStartWithout) {
    Source first, second;
    {
        Recorder temporary("t", log);
        first.Attach(temporary);
        second.Attach(temporary);
        EXPECT_TRUE(temporary.IsAttachedTo(second));
    }
    EXPECT_EQ(first.GetObserverCount(), 0u);
    EXPECT_EQ(second.GetObserverCount(), 0u);
    first.Notify();
    EXPECT_TRUE(log.empty());

    // Copies start without attachments.
    source.Attach(a);
    Source copiedSource(source);
    Recorder copiedObserver(a);
    EXPECT_EQ(copiedSource.GetObserverCount(), 0u);
    EXPECT_FALSE(copiedObserver.IsAttachedTo(source));
}

TEST_F(EventSourceTest, DestroyingTheSourceEvenDuringNotificationTellsObserversNewestFirst) {
    {
        Source dying;
        dying.Attach(a);
        dying.Attach(b);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"b saw source go", "a saw source go"}));
    // a and b outlive the source: their destructors must not reach back into it (checked under ASan).

    log.clear();
    auto dying = std::make_unique<Source>();
    dying->Attach(a);
    dying->Attach(b);
    b.onEvent = [&] { dying.reset(); };
    Source* raw = dying.get();
    raw->Notify();
    EXPECT_EQ(log, (std::vector<std::string>{"b", "b saw source go", "a saw source go"}));
}
