#pragma once

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace Lumvek::Testing
{

// Two machines for a network test. Made, it moves the calling thread into a network namespace of its own, the
// server's, where a socket opened now stays; Link moves it into a second, the client's, joined to the first by
// a virtual link (vc here, vs there), and runs each side's shell commands. The thread goes home with it. Link is
// false where namespaces cannot be made (they take root, ip and nsenter).
class NetworkNamespaces
{
public:
    NetworkNamespaces() { apart = home >= 0 && unshare(CLONE_NEWNET) == 0; }
    ~NetworkNamespaces()
    {
        setns(home, CLONE_NEWNET);
        close(home);
        close(server);
    }
    bool Link(const std::string& clientSide, const std::string& serverSide)
    {
        // Inherited by the shell, which names the server's namespace by it.
        server = apart ? open("/proc/thread-self/ns/net", O_RDONLY) : -1;
        const std::string space = "/proc/self/fd/" + std::to_string(server);
        const std::string link = "(ip link add vc type veth peer name vs netns " + space + " && ip link set vc up && " +
                                 clientSide + " && nsenter --net=" + space + " sh -c 'ip link set vs up && " +
                                 serverSide + "') >/dev/null 2>&1";
        // A link carries nothing until the system has seen both ends up, which on a busy machine takes a while.
        const std::string up =
            "timeout 10 sh -c 'until ip link show vc | grep -q \"state UP\" && nsenter --net=" + space +
            " ip link show vs | grep -q \"state UP\"; do sleep 0.01; done'";
        return server >= 0 && unshare(CLONE_NEWNET) == 0 && std::system(link.c_str()) == 0 &&
               std::system(up.c_str()) == 0;
    }

private:
    int home = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    int server = -1;
    bool apart = false;
};

} // namespace Lumvek::Testing
