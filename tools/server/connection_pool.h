#pragma once
// A fixed set of database connections lent to one thread at a time: a request waits for a free
// one rather than opening more, so a flood of requests never exhausts the database's own limit.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace nad::server {

template <class Connection> class ConnectionPool {
public:
  explicit ConnectionPool(std::vector<std::unique_ptr<Connection>> connections) : free_(std::move(connections)) {}

  // Gives the connection back when it goes out of scope.
  class Lease {
  public:
    Lease(ConnectionPool &pool, std::unique_ptr<Connection> c) : pool_(&pool), c_(std::move(c)) {}
    ~Lease() {
      if (c_) pool_->giveBack(std::move(c_));
    }
    Lease(Lease &&other) noexcept : pool_(other.pool_), c_(std::move(other.c_)) {}
    Lease(const Lease &) = delete;
    Lease &operator=(const Lease &) = delete;
    Lease &operator=(Lease &&) = delete;
    Connection &operator*() { return *c_; }
    Connection *operator->() { return c_.get(); }

  private:
    ConnectionPool *pool_;
    std::unique_ptr<Connection> c_;
  };

  Lease borrow() {
    std::unique_lock lock(mutex_);
    available_.wait(lock, [this] { return !free_.empty(); });
    auto c = std::move(free_.back());
    free_.pop_back();
    return Lease(*this, std::move(c));
  }

private:
  void giveBack(std::unique_ptr<Connection> c) {
    {
      std::lock_guard lock(mutex_);
      free_.push_back(std::move(c));
    }
    available_.notify_one();
  }
  std::mutex mutex_;
  std::condition_variable available_;
  std::vector<std::unique_ptr<Connection>> free_;
};

} // namespace nad::server
