#include "core/run_state.h"

namespace ps {

std::string ProductLabelHead(std::string_view prodName, std::string_view profile) {
    std::string head = "Application:\r\n";
    head.append(prodName).append("\r\nProfile:\r\n").append(profile);
    return head;
}

void RunState::running(bool on) {
    busy_ = on;
    if (observer_.busyChanged)
        observer_.busyChanged(on);
}

void RunState::setProductHead(std::string_view prodName, std::string_view profile) {
    head_ = ProductLabelHead(prodName, profile);
    showHead();
}

void RunState::showHead() {
    productLabel_ = head_;
    labelsChanged();
}

void RunState::showActivity(std::string_view activity) {
    productLabel_ = head_ + "\r\n\r\n" + std::string(activity);
    labelsChanged();
}

void RunState::setStatus(std::string_view text) {
    statusLabel_ = std::string(text);
    labelsChanged();
}

void RunState::labelsChanged() {
    if (observer_.labelsChanged)
        observer_.labelsChanged();
}

} // namespace ps
