#include "objects/ClassTable.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using qrLib::ClassKind;
using qrLib::Status;

constexpr Status kOk = 0x10000;
constexpr Status kInvalid = static_cast<Status>(0x80010203);

// A class object that remembers what it was registered with.
class CNamed : public qrLib::IClassObject {
public:
    explicit CNamed(int name) : m_name(name) {}
    Status CreateInstance(const qrLib::Identifier&, void**) override { return kOk; }
    int m_name;
};

struct Step {
    enum { Register, Unregister } operation;
    ClassKind kind;
    int name;  // what the registration names (unused when unregistering)
    Status expected;
    bool registered;  // afterwards
};

TEST(ClassTable, CountsRegistrationsOfTheSameThingAndRefusesOthers) {
    const Step steps[] = {
        {Step::Register, ClassKind::Creator, 1, kOk, true},
        {Step::Register, ClassKind::Creator, 1, kOk, true},
        {Step::Register, ClassKind::Module, 1, kInvalid, true},
        {Step::Unregister, ClassKind::Creator, 0, kOk, true},
        {Step::Unregister, ClassKind::Creator, 0, kOk, false},
        {Step::Register, ClassKind::Module, 3, kOk, true},
        {Step::Register, ClassKind::Creator, 3, kInvalid, true},
        {Step::Unregister, ClassKind::Creator, 0, kOk, false},
    };
    qrLib::CClassTable table;
    const qrLib::Identifier clsid = {7};
    for (const Step& step : steps) {
        const auto make = [&](std::shared_ptr<qrLib::IClassObject>& object) {
            object = std::make_shared<CNamed>(step.name);
            return kOk;
        };
        const auto same = [&](qrLib::IClassObject& registered) {
            return static_cast<CNamed&>(registered).m_name == step.name;
        };
        const Status status = step.operation == Step::Register
                                  ? table.Register(clsid, step.kind, make, same)
                                  : table.Unregister(clsid);
        const int index = static_cast<int>(&step - steps);
        EXPECT_EQ(status, step.expected) << "step " << index;
        EXPECT_EQ(table.Contains(clsid), step.registered) << "step " << index;
    }
}

}  // namespace
