// The front-panel picture of the subscriber set, compiled into the program.
#pragma once

#include <cstdint>
#include <span>

namespace intercom {

// The bytes of qt/picture/subscriber_set.jpg: a baseline JFIF JPEG, 769 x 281
// pixels, 3 colour components. Static storage; valid for the whole run.
std::span<const uint8_t> SubscriberSetPicture();

// The same drawing at twice the resolution, qt/picture/subscriber_set@2x.jpg:
// 1538 x 562 pixels, otherwise as SubscriberSetPicture().
std::span<const uint8_t> SubscriberSetPictureDouble();

}  // namespace intercom
