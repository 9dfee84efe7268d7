// HTTP client: worker threads for the transfers, the scheduler's queue for
// the callbacks.
//
// Life of a request: sendImmediate/send (main) retains it and makes its
// response → a worker runs the transfer → the worker posts one closure →
// the main thread calls the callback, then releases response and request.
// Reference counts are only touched on the main thread.
#include "network/CurlHandles.h" // first: curl brings <windows.h>, whose DELETE the request header undoes

#include "network/HttpClient.h"

#include "base/CCConsole.h"
#include "base/DetachedThread.h"
#include "base/CCDirector.h"
#include "base/CCScheduler.h"
#include "network/HttpRequest.h"
#include "network/HttpResponse.h"
#include "network/HttpTransfer.h"

#include <system_error>
#include <thread>

namespace cocos2d {
namespace network {

namespace {

// The engine's defaults: 30 s to connect, 60 s for the whole transfer.
const int kDefaultConnectTimeoutSec = 30;
const int kDefaultReadTimeoutSec = 60;

// Main thread, inside a scheduler tick.
void deliver(HttpClient* client, HttpRequest* request, HttpResponse* response) {
    const ccHttpRequestCallback& callback = request->getCallback();
    if (callback) {
        // A copy: the callback may reset the request's own callback.
        ccHttpRequestCallback call = callback;
        call(client, response);
    }
    response->release();
    request->release();
}

// Any thread.
void post(HttpClient* client, HttpRequest* request, HttpResponse* response) {
    Director::getInstance()->getScheduler()->performFunctionInCocosThread(
        [client, request, response] { deliver(client, request, response); });
}

} // namespace

HttpClient* HttpClient::getInstance() {
    static HttpClient* client = new HttpClient();
    return client;
}

HttpClient::HttpClient() {
    _settings.connectTimeoutSec = kDefaultConnectTimeoutSec;
    _settings.readTimeoutSec = kDefaultReadTimeoutSec;
    _settings.verifyPeer = false;
}

HttpClient::Settings HttpClient::snapshotSettings() {
    std::lock_guard<std::mutex> lock(_settingsMutex);
    return _settings;
}

void HttpClient::setTimeoutForConnect(int value) {
    if (value < 1) return;
    std::lock_guard<std::mutex> lock(_settingsMutex);
    _settings.connectTimeoutSec = value;
}

int HttpClient::getTimeoutForConnect() {
    std::lock_guard<std::mutex> lock(_settingsMutex);
    return _settings.connectTimeoutSec;
}

void HttpClient::setTimeoutForRead(int value) {
    if (value < 1) return;
    std::lock_guard<std::mutex> lock(_settingsMutex);
    _settings.readTimeoutSec = value;
}

int HttpClient::getTimeoutForRead() {
    std::lock_guard<std::mutex> lock(_settingsMutex);
    return _settings.readTimeoutSec;
}

void HttpClient::setSSLVerification(const std::string& caFile) {
    std::lock_guard<std::mutex> lock(_settingsMutex);
    _settings.caFile = caFile;
    _settings.caPem.reset();
    _settings.verifyPeer = !caFile.empty();
}

void HttpClient::setSSLVerificationBundle(const std::string& pem) {
    auto bytes = std::make_shared<const std::string>(pem);
    std::lock_guard<std::mutex> lock(_settingsMutex);
    _settings.caFile.clear();
    _settings.caPem = std::move(bytes);
    _settings.verifyPeer = true;
}

const std::string HttpClient::getSSLVerification() {
    std::lock_guard<std::mutex> lock(_settingsMutex);
    return _settings.caFile;
}

void HttpClient::enableCookies(const char* cookieFile) {
    std::lock_guard<std::mutex> lock(_settingsMutex);
    _settings.cookieFile = cookieFile ? cookieFile : "";
}

const std::string HttpClient::getCookieFilename() {
    std::lock_guard<std::mutex> lock(_settingsMutex);
    return _settings.cookieFile;
}

void HttpClient::sendImmediate(HttpRequest* request) {
    _thread.check("HttpClient::sendImmediate");
    if (!request) return;
    request->retain();
    auto* response = new HttpResponse(request);
    const Settings settings = snapshotSettings();
    try {
        startDetachedThread([this, request, response, settings] {
            performTransfer(*request, settings, response);
            post(this, request, response);
        });
    } catch (const std::system_error& e) {
        // No thread: the request still completes, as a failure, on a later frame.
        log("cocos2d: HttpClient: cannot start a transfer thread (%s)", e.what());
        response->setErrorBuffer("cannot start a transfer thread");
        post(this, request, response);
    }
}

void HttpClient::send(HttpRequest* request) {
    _thread.check("HttpClient::send");
    if (!request) return;
    request->retain();
    auto* response = new HttpResponse(request);
    const Settings settings = snapshotSettings();
    std::lock_guard<std::mutex> lock(_queueMutex);
    _queue.push_back(Job{request, response, settings});
    startQueueWorkerLocked();
    _queueReady.notify_one();
}

void HttpClient::startQueueWorkerLocked() {
    if (_queueWorkerRunning) return;
    try {
        startDetachedThread([this] { runQueue(); });
        _queueWorkerRunning = true;
    } catch (const std::system_error& e) {
        // Fail what is queued now; the next send() tries to start the worker again.
        log("cocos2d: HttpClient: cannot start the queue thread (%s)", e.what());
        for (Job& job : _queue) {
            job.response->setErrorBuffer("cannot start a transfer thread");
            post(this, job.request, job.response);
        }
        _queue.clear();
    }
}

void HttpClient::runQueue() {
    // The client lives for the whole process, so this thread may too.
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(_queueMutex);
            _queueReady.wait(lock, [this] { return !_queue.empty(); });
            job = std::move(_queue.front());
            _queue.pop_front();
        }
        performTransfer(*job.request, job.settings, job.response);
        post(this, job.request, job.response);
    }
}

} // namespace network
} // namespace cocos2d
