// Test builds only (HOST_STORAGE_TEST_SEAM): lets a test make protection fail
// on demand, since the Data Protection API almost never refuses by itself.
#pragma once

extern bool protectionFailsForTest;
