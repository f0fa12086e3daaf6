#include <gtest/gtest.h>

#include <ole2.h>

namespace {

// Hosting a control needs OLE on the thread, as the program's own thread has.
class OleEnvironment : public testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(OleInitialize(nullptr), S_OK); }
    void TearDown() override { OleUninitialize(); }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new OleEnvironment);

}  // namespace
