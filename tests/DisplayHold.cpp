// An X server that is not told otherwise resets itself when its last client
// leaves, and drops the connections that arrive meanwhile: a test that starts
// just as the one before it ends finds no display and aborts. Before main,
// each test connects, again until the server keeps the connection, and stays
// connected until it exits, so that the server has a client while the test
// makes its own connection.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

class DisplayHold
{
public:
    DisplayHold()
    {
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        if (!std::getenv("DISPLAY") || (platform && *platform && std::strncmp(platform, "xcb", 3) != 0))
            return;
        // A reset takes a moment, a long one on a loaded machine.
        for (int attempt = 0; attempt < 500 && !connection; ++attempt) {
            xcb_connection_t* tried = xcb_connect(nullptr, nullptr);
            // A round trip shows that the server kept the connection.
            if (!xcb_connection_has_error(tried))
                std::free(xcb_get_input_focus_reply(tried, xcb_get_input_focus(tried), nullptr));
            if (!xcb_connection_has_error(tried)) {
                connection = tried;
            } else {
                xcb_disconnect(tried);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
    }
    ~DisplayHold()
    {
        if (connection)
            xcb_disconnect(connection);
    }
    DisplayHold(const DisplayHold&) = delete;
    DisplayHold& operator=(const DisplayHold&) = delete;

private:
    xcb_connection_t* connection = nullptr;
};

const DisplayHold hold;

} // namespace
