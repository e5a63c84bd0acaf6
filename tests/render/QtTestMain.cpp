#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

#include "render/text/TextStack.h"

// What the text stack answered before the application object existed.
HRESULT g_textFactoryWithoutApplication = S_OK;

// The GL and text tests need Qt's application object. Listing the tests (which CTest does
// before every run, with or without a display) must not need one.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QGuiApplication> app;
    gpu::Ref<gpu::TextFactory> factory;
    g_textFactoryWithoutApplication =
        qtext::CreateTextFactory(gpu::FactoryType::SingleThreaded, &factory);
    if (!GTEST_FLAG_GET(list_tests)) {
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    return RUN_ALL_TESTS();
}
