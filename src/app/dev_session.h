#pragma once
// What developer mode (--dev) and the A/V offset add to the show, around each
// drawn frame: the transport's keys and cue position, the overlay (F1), and
// hot reload of the data. Without either option no session exists and the
// show runs exactly as it always has; with only the offset, no key, overlay
// or reload is in use.
#include <cstdint>
#include <memory>
#include <string>

#include "app/dev_transport.h"
#include "app/hot_reload.h"
#include "app/options.h"
#include "app/shell.h"
#include "music/position_map.h"
#include "render/overlay_text.h"

class DevSession : public FrameHooks {
public:
    // Starts rendering the module's position map at once (a worker thread);
    // without a module (music off, or the stream) the transport runs on the
    // score clock.
    // In --dev, loads the overlay's atlas and starts watching the data: the
    // rendering context must be current and the data loaded.
    explicit DevSession(const ShowOptions& options);
    ~DevSession() override;

    // Reloads what changed on disk, takes the keys pressed since the last
    // frame, then puts the frame's cue position and elapsedMs in place.
    void beforeFrame() override;
    // Draws the overlay over the finished frame while it is shown.
    void afterFrame() override;

    DevTransport& transport() { return transport_; }
    bool overlayShown() const { return overlayShown_; }

private:
    // The module changed on disk: the new one plays on from the current
    // position; one that fails to load leaves the old one playing.
    void reloadModule();

    bool devMode_;
    bool overlayShown_ = false;
    std::string note_;      // the transport's latest note, shown like a reload error
    uint32_t noteMs_ = 0;
    std::unique_ptr<PositionMap> map_;
    DevTransport transport_;
    OverlayText overlayText_;
    std::unique_ptr<HotReload> hotReload_;
};
