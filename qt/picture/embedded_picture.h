// The front-panel picture of the subscriber set, compiled into the program.
#pragma once

#include <cstdint>
#include <span>

namespace intercom {

// The bytes of ui/picture/subscriber_set.jpg: a baseline JFIF JPEG, 769 x 281
// pixels, 3 colour components. Static storage; valid for the whole run.
std::span<const uint8_t> SubscriberSetPicture();

}  // namespace intercom
