#pragma once
// What developer mode (--dev) and the A/V offset add to the show, around each
// drawn frame: the transport's keys and cue position, the overlay, and (in
// --dev) hot reload of the data. Without either option no session exists and
// the show runs exactly as it always has.
#include <memory>

#include "app/dev_transport.h"
#include "app/options.h"
#include "app/shell.h"
#include "music/position_map.h"

class DevSession : public FrameHooks {
public:
    // Starts rendering the module's position map at once (a worker thread).
    explicit DevSession(const ShowOptions& options);
    ~DevSession() override;

    // Takes the keys pressed since the last frame, then puts the frame's cue
    // position and elapsedMs in place.
    void beforeFrame() override;
    // Draws the overlay over the finished frame while it is shown.
    void afterFrame() override;

    DevTransport& transport() { return transport_; }
    bool overlayShown() const { return overlayShown_; }

private:
    bool keysEnabled_;
    bool overlayShown_ = false;
    PositionMap map_;
    DevTransport transport_;
};
