#include "FakeRig.h"

FakeRig::FakeRig(const QDateTime &startUtc)
{
    auto factory = std::make_unique<FakeSerialFactory>();
    ports = factory.get();
    rig = std::make_unique<TestRig>(startUtc, std::move(factory));
}
