#include "support/trace_capture.h"

namespace dbs::test {

void CoreFixture::SetUp() {
    DbsCoreRelease();
    ASSERT_EQ(DbsCoreInit(), 1);
    trace.Clear();
}

void CoreFixture::TearDown() {
    DbsCoreRelease();
}

}  // namespace dbs::test
