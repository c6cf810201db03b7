#include "support/qt/recording_web_view.h"

namespace textowl::testing {

bool RecordingWebView::navigate(const QUrl& address) {
    if (refuse)
        return false;
    visited.append(address);
    return true;
}

WebView* RecordingWebViewFactory::create(QWidget* parent) {
    auto* view = new RecordingWebView(parent);
    view->refuse = refuseNavigation;
    made.append(view);
    return view;
}

} // namespace textowl::testing
