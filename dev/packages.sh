# Debian packages the project needs, sourced by the dev/ scripts.
# Build and unit tests.
AGENT_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
    uuid-dev libmariadb-dev libcups2-dev libcurl4-openssl-dev nlohmann-json3-dev libx11-dev
    googletest libgtest-dev libssl-dev locales
)
# A real X display for the window tests that need one (the agent's dialogs driven by keystrokes),
# with a notification area and a window manager.
AGENT_DISPLAY_PACKAGES=(xvfb xauth xdotool x11-utils trayer openbox)
# The local services the integration tests run against (dev/mariadb.sh, dev/cups.sh, dev/probe.sh).
AGENT_SERVICE_PACKAGES=(mariadb-server mariadb-client cups cups-client socat)
# A single-byte locale for the tests of text written in the locale's character set.
AGENT_TEST_LOCALE=(pt_BR ISO-8859-1 pt_BR.iso88591)
