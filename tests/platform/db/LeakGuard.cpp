// Every test of this program fails when a post or a delete leaves a transaction open.
#include "platform/db/DB.h"

#include <gtest/gtest.h>

namespace {
class LeakGuard : public ::testing::Environment {
public:
    void SetUp() override {
        platform::db::OnTransactionLeak = [](const QString& what) { ADD_FAILURE() << what.toStdString(); };
    }
};
const auto* const Installed = ::testing::AddGlobalTestEnvironment(new LeakGuard);
}  // namespace
