#pragma once

// Two machines for a network test: network namespaces of the test's own, joined by a virtual link.

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace Lumvek::Testing
{

// Made, it moves the calling thread into a namespace of its own, the server's: a socket opened now stays
// there. Link then moves the thread into a second one, the client's, joined to the first by a virtual link
// (vc on the client's side, vs on the server's). The thread goes home with it. Namespaces take root, ip and
// nsenter; a test skips where they cannot be made.
class NetworkNamespaces
{
public:
    NetworkNamespaces() : home(open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC))
    {
        apart = home >= 0 && unshare(CLONE_NEWNET) == 0;
    }
    ~NetworkNamespaces()
    {
        if (home >= 0)
        {
            setns(home, CLONE_NEWNET);
            close(home);
        }
        if (server >= 0)
            close(server);
    }
    NetworkNamespaces(const NetworkNamespaces&) = delete;
    NetworkNamespaces& operator=(const NetworkNamespaces&) = delete;

    // Moves to the client's namespace, brings the link up at both ends and runs the shell commands of each
    // side there (its addresses, say); false when any of it fails.
    bool Link(const std::string& clientSide, const std::string& serverSide)
    {
        if (!apart)
            return false;
        // Inherited by the shell, which names the server's namespace by it.
        server = open("/proc/thread-self/ns/net", O_RDONLY);
        const std::string space = "/proc/self/fd/" + std::to_string(server);
        const std::string link = "(ip link add vc type veth peer name vs netns " + space + " && ip link set vc up && " +
                                 clientSide + " && nsenter --net=" + space + " sh -c 'ip link set vs up && " +
                                 serverSide + "') >/dev/null 2>&1";
        return server >= 0 && unshare(CLONE_NEWNET) == 0 && std::system(link.c_str()) == 0;
    }

private:
    int home;
    int server = -1;
    bool apart = false;
};

} // namespace Lumvek::Testing
