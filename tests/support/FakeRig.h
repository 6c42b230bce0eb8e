#pragma once

#include "FakeSerial.h"
#include "TestRig.h"

#include <memory>

class Form1;
class Form5;

// A program on fake ports the test can make absent, busy or failing; port n is COMn.
struct FakeRig
{
    explicit FakeRig(const QDateTime &startUtc = TestRig::defaultStart());

    Module1 &m() { return rig->m(); }
    HoroluxApp &app() { return rig->app(); }
    Form1 *main() { return rig->app().form1(); }
    Form5 *form() { return rig->app().form5(); }

    FakeSerialFactory *ports;
    std::unique_ptr<TestRig> rig;
};
