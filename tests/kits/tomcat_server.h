// SPDX-License-Identifier: MIT
// A private Tomcat for one test: Debian's Tomcat 10 libraries, a CATALINA_BASE of its own in a
// scratch folder, one HTTP port on 127.0.0.1 and no shutdown port.
#pragma once

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "apache_server.h" // FreePort, CanConnect

namespace orvex::test {

inline const char* TomcatHome() {
    return "/usr/share/tomcat10";
}

inline bool TomcatInstalled() {
    return std::filesystem::exists(std::string(TomcatHome()) + "/bin/catalina.sh") &&
           std::filesystem::exists(std::string(TomcatHome()) + "/lib/jasper.jar");
}

// Each context maps a path ("" for the root) to a folder. The conf/web.xml is the part of
// Tomcat's stock one that matters here: the default servlet (no listings, as shipped) and JSP.
class TomcatServer {
public:
    TomcatServer(const std::vector<std::pair<std::string, std::string>>& contexts, const std::string& scratch)
        : m_port(FreePort()), m_base(scratch + "/catalina") {
        namespace fs = std::filesystem;
        for (const char* d : {"conf", "logs", "temp", "work", "webapps"})
            fs::create_directories(m_base + "/" + d);
        std::ofstream server(m_base + "/conf/server.xml");
        server << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Server port=\"-1\" shutdown=\"SHUTDOWN\">\n"
               << "  <Service name=\"Catalina\">\n"
               << "    <Connector port=\"" << m_port << "\" address=\"127.0.0.1\" protocol=\"HTTP/1.1\"/>\n"
               << "    <Engine name=\"Catalina\" defaultHost=\"localhost\">\n"
               << "      <Host name=\"localhost\" appBase=\"webapps\" unpackWARs=\"false\" autoDeploy=\"false\""
               << " deployOnStartup=\"false\">\n";
        for (const auto& [path, docBase] : contexts)
            server << "        <Context path=\"" << path << "\" docBase=\"" << docBase << "\"/>\n";
        server << "      </Host>\n    </Engine>\n  </Service>\n</Server>\n";
        server.close();
        std::ofstream web(m_base + "/conf/web.xml");
        web << R"(<?xml version="1.0" encoding="UTF-8"?>
<web-app xmlns="https://jakarta.ee/xml/ns/jakartaee" version="6.0">
  <servlet><servlet-name>default</servlet-name>
    <servlet-class>org.apache.catalina.servlets.DefaultServlet</servlet-class>
    <init-param><param-name>listings</param-name><param-value>false</param-value></init-param>
    <load-on-startup>1</load-on-startup></servlet>
  <servlet><servlet-name>jsp</servlet-name>
    <servlet-class>org.apache.jasper.servlet.JspServlet</servlet-class>
    <load-on-startup>3</load-on-startup></servlet>
  <servlet-mapping><servlet-name>default</servlet-name><url-pattern>/</url-pattern></servlet-mapping>
  <servlet-mapping><servlet-name>jsp</servlet-name><url-pattern>*.jsp</url-pattern></servlet-mapping>
  <mime-mapping><extension>htm</extension><mime-type>text/html</mime-type></mime-mapping>
  <mime-mapping><extension>html</extension><mime-type>text/html</mime-type></mime-mapping>
  <mime-mapping><extension>png</extension><mime-type>image/png</mime-type></mime-mapping>
  <mime-mapping><extension>gif</extension><mime-type>image/gif</mime-type></mime-mapping>
  <mime-mapping><extension>txt</extension><mime-type>text/plain</mime-type></mime-mapping>
  <mime-mapping><extension>js</extension><mime-type>text/javascript</mime-type></mime-mapping>
  <mime-mapping><extension>css</extension><mime-type>text/css</mime-type></mime-mapping>
  <welcome-file-list><welcome-file>index.html</welcome-file><welcome-file>index.htm</welcome-file>
    <welcome-file>index.jsp</welcome-file></welcome-file-list>
</web-app>
)";
        web.close();
        const std::string home = TomcatHome();
        const std::string java = "/usr/bin/java";
        const std::string classpath = home + "/bin/bootstrap.jar:" + home + "/bin/tomcat-juli.jar";
        std::vector<std::string> args = {java,
                                         "-Djava.awt.headless=true",
                                         "-Dcatalina.home=" + home,
                                         "-Dcatalina.base=" + m_base,
                                         "-Djava.io.tmpdir=" + m_base + "/temp",
                                         "-cp",
                                         classpath,
                                         "org.apache.catalina.startup.Bootstrap",
                                         "start"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        const std::string log = m_base + "/logs/console.log";
        posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&files, 1, 2);
        if (posix_spawn(&m_pid, java.c_str(), &files, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&files);
        // Readiness, not timing: poll until the port answers or the server has exited. The JVM
        // and the first JSP compile are slow on a loaded machine, so allow a minute.
        for (int i = 0; m_pid > 0 && i < 3000 && !CanConnect(m_port); ++i) {
            int st = 0;
            if (waitpid(m_pid, &st, WNOHANG) == m_pid) {
                m_pid = -1;
                break;
            }
            usleep(20000);
        }
    }
    ~TomcatServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int st = 0;
            waitpid(m_pid, &st, 0);
        }
    }
    TomcatServer(const TomcatServer&) = delete;
    TomcatServer& operator=(const TomcatServer&) = delete;

    bool Running() const { return m_pid > 0 && CanConnect(m_port); }
    int Port() const { return m_port; }
    std::string Log() const {
        std::ifstream f(m_base + "/logs/console.log");
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }

private:
    int m_port;
    std::string m_base;
    pid_t m_pid = -1;
};

} // namespace orvex::test
