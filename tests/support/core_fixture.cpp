#include "support/trace_capture.h"

namespace dbs::test {

void CoreFixture::SetUp() {
    DbsUninitialize();
    DbsCoreRelease();
    ASSERT_EQ(DbsCoreInit(), 1);
    trace.Clear();
}

void CoreFixture::TearDown() {
    DbsUninitialize();
    DbsCoreRelease();
}

}  // namespace dbs::test
