#pragma once
// The start of every program that puts windows on a screen for looking at them (not a test): the
// resources of the source tree, unless QV_RESOURCES_DIR names others, and the application's
// defaults, registered as the program does at start.
//
//     QApplication app(argc, argv);
//     dw::test::startPreviewProgram(dw::test::PreviewDefaults::WithTransformers);

namespace dw::test {

enum class PreviewDefaults {
    Plain,
    // With the money transformer too, for windows that show a listing's prices.
    WithTransformers,
};

// Main thread, after the application object exists and before the first preference is read.
void startPreviewProgram(PreviewDefaults defaults = PreviewDefaults::Plain);

} // namespace dw::test
