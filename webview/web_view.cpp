#include "webview/web_view.h"

#include "resources/constants.h"
#include "ui/layout.h"
#include "webview/address.h"
#include "webview/view_impl.h"

#include <algorithm>

namespace zarnic {

web_view::web_view()
    : impl_(std::make_unique<impl>(*this)) {}
web_view::~web_view() = default;

Gtk::Widget& web_view::widget() {
    return *Glib::wrap(GTK_WIDGET(impl_->view));
}

void web_view::Navigate(const std::string& address) {
    address_plan plan = plan_address(address, web_view_search_query);
    switch (plan.kind) {
    case address_plan::plan_kind::nothing:
        break;
    case address_plan::plan_kind::load:
    case address_plan::plan_kind::search:
        impl_->load(plan.uri);
        break;
    case address_plan::plan_kind::secure:
        impl_->begin_load();
        impl_->probe.start(plan);
        break;
    case address_plan::plan_kind::mail:
        open_mail_program(plan.uri);
        break;
    case address_plan::plan_kind::refused:
        impl_->begin_load();
        impl_->show_problem_page(problem::cannot_open, "about:blank", address, {});
        break;
    }
}

bool web_view::GoBack() {
    if (!webkit_web_view_can_go_back(impl_->view))
        return false;
    impl_->begin_load();
    webkit_web_view_go_back(impl_->view);
    return true;
}

bool web_view::GoForward() {
    if (!webkit_web_view_can_go_forward(impl_->view))
        return false;
    impl_->begin_load();
    webkit_web_view_go_forward(impl_->view);
    return true;
}

void web_view::GoHome() {
    impl_->load(web_view_home);
}

void web_view::GoSearch() {
    impl_->load(web_view_search);
}

void web_view::Refresh() {
    // A problem page stands for the address that failed, and reloading it asks for that address
    // again. One for an address that was never loaded (one this browser does not open) stands
    // under about:blank: the address is given again instead.
    if (!impl_->problem_address.empty() && impl_->problem_address != current_uri(impl_->view)) {
        const std::string again = impl_->problem_address;
        Navigate(again);
        return;
    }
    impl_->begin_load();
    webkit_web_view_reload(impl_->view);
}

void web_view::Stop() {
    impl_->probe.abandon();
    bool was_loading = webkit_web_view_is_loading(impl_->view);
    if (was_loading) {
        ++impl_->stale_finishes;
        impl_->stopping = true;
    }
    webkit_web_view_stop_loading(impl_->view);
    if (impl_->busy || was_loading) {
        // The view keeps the page it had; its name is what the engine shows now.
        std::string shown = engine_title(impl_->view);
        impl_->set_busy();
        impl_->settle(shown.empty() ? impl_->title : shown);
    }
}

bool web_view::Busy() const {
    return impl_->busy;
}

std::string web_view::LocationName() const {
    return impl_->title.empty() ? LocationURL() : impl_->title;
}

std::string web_view::LocationURL() const {
    return impl_->problem_address.empty() ? current_uri(impl_->view) : impl_->problem_address;
}

void web_view::Width(int twips) {
    impl_->width_twips = std::max(0, twips);
    gtk_widget_set_size_request(GTK_WIDGET(impl_->view), px(impl_->width_twips),
                                px(impl_->height_twips));
}

void web_view::Height(int twips) {
    impl_->height_twips = std::max(0, twips);
    gtk_widget_set_size_request(GTK_WIDGET(impl_->view), px(impl_->width_twips),
                                px(impl_->height_twips));
}

} // namespace zarnic
