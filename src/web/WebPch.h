// The Beast and Asio headers of the web server, parsed once for the library. <utility> first: Boost
// 1.74's headers miss it in C++20.
#include <utility>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <boost/beast/zlib/deflate_stream.hpp>
