// kestrova-send-test-film [--host H] --port N: sends one 2 x 2 film of synthetic images to a
// running Kestrova and says whether it was printed.

#include "test_film.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    std::string host = "127.0.0.1";
    int port = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--host") == 0)
            host = argv[i + 1];
        else if (std::strcmp(argv[i], "--port") == 0)
            port = std::atoi(argv[i + 1]);
    }
    if (port <= 0) {
        std::fprintf(stderr, "usage: kestrova-send-test-film [--host H] --port N\n");
        return 2;
    }
    const kestrova::test::TestFilmResult result = kestrova::test::sendTestFilm(host, port);
    if (!result.printed) {
        std::fprintf(stderr, "kestrova-send-test-film: %s\n", result.failure.c_str());
        return 1;
    }
    std::printf("kestrova-send-test-film: film printed\n");
    return 0;
}
