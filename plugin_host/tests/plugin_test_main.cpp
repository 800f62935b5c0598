// Tests of lumbraplug as its clients see it: one apartment-threaded OLE thread.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) {
        return 1;
    }
    const int code = RUN_ALL_TESTS();
    OleUninitialize();
    return code;
}
