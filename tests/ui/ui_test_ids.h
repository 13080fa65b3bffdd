#pragma once
// Resources of the user interface tests.
#define IDP_TEST_RGB24 201
#define IDP_TEST_RGBA32 202
#define IDP_TEST_RGB48 203
#define IDP_TEST_PALETTE 204
#define IDP_TEST_GREY 205
