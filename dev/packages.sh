# Debian packages the project needs, sourced by the dev/ scripts.
# Build and unit tests.
AGENT_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
    uuid-dev libmariadb-dev libcups2-dev libcurl4-openssl-dev nlohmann-json3-dev libx11-dev
    googletest libgtest-dev libssl-dev
)
# A real X display for the window tests that need one (the agent's dialogs driven by keystrokes).
AGENT_DISPLAY_PACKAGES=(xvfb xauth xdotool x11-utils trayer)
# The local services the integration tests run against (dev/mariadb.sh).
AGENT_SERVICE_PACKAGES=(mariadb-server mariadb-client)
